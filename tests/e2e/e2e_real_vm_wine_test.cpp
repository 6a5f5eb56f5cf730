// A real Java VM, as users meet one: a new project's launcher, built as
// tarvo-build builds it, starts the applications of tests/realvm on the VM
// of ../shared/realjvm (copied into the test's folder), and every failed
// start tells the user so.
#include <algorithm>

#include "launch_fixture.h"

namespace {

std::string sharedHome() { return sourcePath(std::string("..\\shared\\realjvm\\") + (testingX86() ? "home32" : "home64")); }

// A copy the test may change: the shared homes are read-only.
void copyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE walk = FindFirstFileA((from + "\\*").c_str(), &found);
    if (walk == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            copyTree(from + "\\" + name, to + "\\" + name);
            continue;
        }
        CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
        SetFileAttributesA((to + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    } while (FindNextFileA(walk, &found));
    FindClose(walk);
}

struct RealVmTest : LaunchTest {
    std::string home = root / "java";

    void SetUp() override {
        LaunchTest::SetUp();
        if (!fileExists(sharedHome() + "\\release")) GTEST_SKIP() << "real-VM suite skipped: no ../shared/realjvm";
        copyTree(sharedHome(), home);
        setEnv("JAVA_HOME", home.c_str());
        CopyFileA(buildPath("..\\realvm\\app.jar").c_str(), (app + "\\app.jar").c_str(), FALSE);
        CopyFileA(sourcePath("dist\\tarvo-app.jar").c_str(), (app + "\\tarvo-app.jar").c_str(), FALSE);
    }

    // A new project, as tarvo-build makes one, with these strings beside.
    void project(const std::string& mainClass, std::map<unsigned, std::string> strings = {}, bool console = false) {
        LauncherPlan plan;
        plan.fromDefaults = true;
        plan.console = console;
        plan.strings = {{101, "Ledger"}, {122, mainClass}, {121, "A1app.jar;A1tarvo-app.jar;"}, {126, "1.8"},
                        {128, "EJAVA_HOME;"}};
        for (auto& s : strings) plan.strings[s.first] = s.second;
        makeLauncher(exe, plan);
    }

    std::string javaLine() { return "Java 1.8.0 in " + lowerCopy(home) + "\\"; }
};

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

}  // namespace

TEST_F(RealVmTest, MainRunsAndSystemExitEndsTheChildWithItsCode) {
    project("Hello", {{104, "1"}});
    WatchReport r = run("first \"two words\"");
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_EQ("hello first two words", readFile(app + "\\output.log").substr(0, 21));

    // Before it was up, with nothing in its log: never a silent end.
    project("Exits");
    r = run("7");
    EXPECT_EQ("The JVM could not be started.\n\nThe application ended with code 7 before it was ready.", shown(r));
    EXPECT_EQ(7u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(7u, exitOf(r, "parent"));
}

TEST_F(RealVmTest, AMissingMainClassSaysSoWithTheVmsReason) {
    project("NoSuch");
    WatchReport r = run();
    std::string text = shown(r);
    EXPECT_EQ(0u, text.find("Main class not found.\n\n")) << text;
    EXPECT_NE(std::string::npos, text.find("NoSuch")) << text;
    EXPECT_EQ(javaLine(), text.substr(text.rfind('\n') + 1));
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent"));
}

// This VM prints nothing for an exception out of main: the launcher says it
// as java.exe would, after what the application wrote.
TEST_F(RealVmTest, AnExceptionOutOfMainThatTheVmDoesNotPrintFollowsTheLogAndEndsWithOne) {
    project("Warns");
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("An error occurred while starting up Ledger:", r.windows[0].text);
    auto lines = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    };
    const std::string words =
        "the ledger is old\nException in thread \"main\" java.lang.IllegalStateException: the ledger is locked\n";
    EXPECT_EQ(words, lines(r.windows[0].editText));
    EXPECT_EQ(words, textLines(app + "\\error.log"));
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent"));

    // A command-line tool's user reads it on standard error.
    project("Warns", {{102, "0"}}, true);
    std::string out = root / "out.txt";
    r = runScript("\"" + exe + "\" 2> \"" + out + "\"");
    EXPECT_EQ(1u, exitOf(r, "parent")) << r.describe();
    EXPECT_EQ(words, textLines(out));
}

TEST_F(RealVmTest, AClassForANewerJavaNamesBothVersionsFromAJarOrAFolder) {
    CopyFileA(buildPath("..\\realvm\\newer.jar").c_str(), (app + "\\newer.jar").c_str(), FALSE);
    CreateDirectoryA((app + "\\newer").c_str(), nullptr);
    CopyFileA(buildPath("..\\realvm\\newer\\Newer.class").c_str(), (app + "\\newer\\Newer.class").c_str(), FALSE);
    for (const char* classPath : {"A1newer.jar;", "D1newer;"}) {
        project("Newer", {{121, classPath}, {104, "1"}});
        WatchReport r = run();
        EXPECT_EQ("Ledger needs Java 17 or newer.\nInstall it, then start Ledger again.\n\n"
                  "java.lang.UnsupportedClassVersionError: Newer has been compiled by a more "
                  "recent version of the Java Runtime (class file version 61.0), this version of the Java Runtime "
                  "only recognizes class file versions up to 52.0\n" + javaLine(),
                  shown(r)) << classPath;
        EXPECT_EQ(1u, exitOf(r, "child"));
        EXPECT_EQ(1u, exitOf(r, "parent"));
        EXPECT_EQ("", readFile(app + "\\output.log")) << "main never ran";
    }
}

TEST_F(RealVmTest, AHeapShareAboveAllMemoryIsRefusedWithItsFileAndLine) {
    project("Hello");
    std::string data = root / "roaming";
    CreateDirectoryA(data.c_str(), nullptr);
    CreateDirectoryA((data + "\\Ledger").c_str(), nullptr);
    writeFile(data + "\\Ledger\\launch.vmoptions", "# more room\n-Xmx150%\n");
    setEnv("APPDATA", data.c_str());
    EXPECT_EQ("The options file " + data + "\\Ledger\\launch.vmoptions\ncannot be used: line 2: a share of memory "
              "for the heap must be from 1% to 100%.\nPlease mend or remove it.\n\nStart Ledger without the options "
              "of this file now?",
              shown(run()));
}

TEST_F(RealVmTest, ASecondStartHandsItsWordsToTheRunningApplicationAndOneWhileItEndsRunsOnItsOwn) {
    std::string record = root / "handed.txt", late = root / "late one.txt";
    project("Handover", {{153, "1"}, {124, "\"" + record + "\""}});
    WatchReport second, third;
    WatchOptions options;
    options.eachPoll = [&](WatchReport&, unsigned) {
        WatchOptions again;
        again.currentDirectory = root.path;
        if (second.processes.empty() && fileExists(record + ".up")) second = run("letter.txt", again);
        // Its shutdown hooks run: the library refuses, the launcher starts
        // the document on its own.
        if (third.processes.empty() && fileExists(record + ".ending")) third = run("\"" + late + "\" now", again);
    };
    WatchReport first = run("", options);
    EXPECT_EQ(0u, exitOf(second, "parent")) << second.describe();
    EXPECT_EQ(nullptr, second.byRole("child")) << second.describe();
    EXPECT_EQ(root.path + "|letter.txt\n", readFile(record));
    EXPECT_EQ(0u, exitOf(first, "child")) << first.describe();
    EXPECT_EQ(0u, exitOf(third, "parent")) << third.describe();
    EXPECT_TRUE(fileExists(late + ".up")) << first.describe();
}

TEST_F(RealVmTest, AStaticInitialisersExitIsTheApplicationsOwnEndAndItsExceptionIsNamed) {
    project("InitExits", {{104, "1"}});
    WatchReport r = run();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_EQ("", readFile(app + "\\output.log")) << "main never ran";
    // One that throws is named as such, not as a missing class or method.
    project("InitThrows");
    EXPECT_EQ("The main class InitThrows could not be initialised.\n\njava.lang.ExceptionInInitializerError\n" + javaLine(),
              shown(run()));
}

TEST_F(RealVmTest, AToolInAScriptReadsItsInputWritesInOrderAndEndsWithItsCode) {
    project("Echo", {{102, "0"}}, true);
    std::string out = root / "out.txt";
    WatchReport r = runScript("echo hello| \"" + exe + "\" > \"" + out + "\" 2>&1");
    EXPECT_EQ(3u, exitOf(r, "parent")) << r.describe();
    EXPECT_EQ("read: hello\ndone\n", textLines(out));
}
