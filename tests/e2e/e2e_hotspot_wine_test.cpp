// HotSpot, the Java that users run: a Temurin 17 image that tools/hotspot.sh
// fetched, and new projects' launchers built by tarvo-build.exe as a user
// builds them, running the applications of tests/realvm. Where the image
// could not be had, every case skips with the set-up's one line.
#include <algorithm>

#include "launch_fixture.h"
#include "screen.h"

namespace {

std::string whySkipped() {
    std::string why = readFile(buildPath("..\\hotspot\\skipped"));
    while (!why.empty() && why.back() == '\n') why.pop_back();
    return why.empty() ? "HotSpot suite skipped: tools/hotspot.sh has not run" : why;
}

// The lines of a file that begin with `head`, each without it.
std::string lineAfter(const std::string& text, const std::string& head) {
    size_t at = text.find("\n" + head);
    if (at == std::string::npos) at = text.rfind(head, 0) == 0 ? 0 : std::string::npos;
    else ++at;
    if (at == std::string::npos) return "(no line " + head + ")";
    size_t end = text.find_first_of("\r\n", at);
    return text.substr(at + head.size(), end == std::string::npos ? std::string::npos : end - at - head.size());
}

std::vector<std::string> filesIn(const std::string& folder, const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string fullName(const std::string& path) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n && n < sizeof full ? full : path;
}

struct HotSpotTest : LaunchTest {
    std::string home = fullName(buildPath("..\\hotspot\\jre17"));
    std::string local = root / "Local", roaming = root / "Roaming";
    std::string output = app + "\\output.log";

    void SetUp() override {
        LaunchTest::SetUp();
        if (testingX86()) GTEST_SKIP() << "HotSpot suite: its Java is for x64";
        if (!fileExists(home + "\\release")) GTEST_SKIP() << whySkipped();
        userFolder("LOCALAPPDATA", local);
        userFolder("APPDATA", roaming);
        setEnv("JAVA_HOME", home.c_str());
        for (const char* jar : {"app.jar", "newer21.jar"})
            CopyFileA(buildPath(std::string("..\\realvm\\") + jar).c_str(), (app + "\\" + jar).c_str(), FALSE);
        CopyFileA(sourcePath("dist\\tarvo-app.jar").c_str(), (app + "\\tarvo-app.jar").c_str(), FALSE);
    }

    // A new project: its top-level keys (the class path and no class-data
    // sharing unless they say otherwise), then its tables, built into
    // app\launch.exe by tarvo-build.exe.
    void build(const std::string& keys, const std::string& tables = "", const std::string& flags = "") {
        std::string project = "arch = \"x64\"\nname = \"Ledger\"\n" + keys;
        if (keys.find("class_path =") == std::string::npos) project += "class_path = [\"A1app.jar\"]\n";
        if (keys.find("class_data_sharing =") == std::string::npos) project += "class_data_sharing = false\n";
        writeFile(root / "ledger.toml", project + tables);
        DeleteFileA(exe.c_str());
        std::string said = runCaptured("\"" + sourcePath("dist\\tarvo-build.exe") + "\" \"" + root / "ledger.toml" +
                                       "\" -o \"" + exe + "\"" + flags);
        ASSERT_TRUE(fileExists(exe)) << said;
    }

    // As a double-click starts it: in the launcher's folder, where the VM's
    // relative files (logs, crash reports) then land.
    // With a standard user's token: Wine runs every program elevated, and
    // an elevated start adds no archive of the user's folder.
    WatchReport start(const std::string& args = "", WatchOptions options = {}) {
        if (options.currentDirectory.empty()) options.currentDirectory = app;
        options.limited = true;
        return run(args, options);
    }

    std::string agent(const char* option) {
        CopyFileA(standinPath("lib_agent.dll").c_str(), (app + "\\agent.dll").c_str(), FALSE);
        return "\"-agentpath:" + app + "\\agent.dll" + option + "\"";
    }

    // The product in another folder of its own, with the application's jar.
    void inFolder(const char* name) {
        std::string jar = app + "\\app.jar";
        app = root / name;
        exe = app + "\\launch.exe";
        output = app + "\\output.log";
        CreateDirectoryA(app.c_str(), nullptr);
        CopyFileA(jar.c_str(), (app + "\\app.jar").c_str(), FALSE);
    }

    std::string javaLine() { return "Java 17.0.17 in " + lowerCopy(home) + "\\"; }
    std::string cds() { return local + "\\Ledger\\cds"; }
};

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

}  // namespace

TEST_F(HotSpotTest, AnApplicationGetsItsWordsFolderCommandAndAClassPathOfJarsAndAFolder) {
    CreateDirectoryA((app + "\\classes").c_str(), nullptr);
    CopyFileA(buildPath("..\\realvm\\classes\\Facts.class").c_str(), (app + "\\classes\\Facts.class").c_str(), FALSE);
    build("main_class = \"Facts\"\nclass_path = [\"A1tarvo-app.jar\", \"D1classes\"]\n", "[logs]\noutput_log = true\n");
    // Libraries of the names the VM loads by itself, planted beside the
    // launcher and in the folder it starts in, are never loaded: they
    // export nothing the VM needs.
    for (const std::string& folder : {app, root.path})
        for (const char* name : {"zip.dll", "net.dll", "nio.dll", "verify.dll"})
            CopyFileA(standinPath("lib_nowhere.dll").c_str(), (folder + "\\" + name).c_str(), FALSE);
    WatchOptions options;
    options.currentDirectory = root.path;
    WatchReport r = start("first \"two words\"", options);
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    std::string facts = readFile(output);
    EXPECT_EQ("[first][two words]", lineAfter(facts, "words ")) << facts;
    EXPECT_EQ(root.path, lineAfter(facts, "user.dir "));
    EXPECT_EQ("Facts first two words", lineAfter(facts, "sun.java.command "));
    EXPECT_EQ(lowerCopy(app) + "\\tarvo-app.jar;" + lowerCopy(app) + "\\classes", lineAfter(facts, "java.class.path "));
    EXPECT_EQ(lowerCopy(home), lineAfter(facts, "java.home "));
}

TEST_F(HotSpotTest, ExitCodesAndFailedStartsReachTheUserAsUnderJava) {
    // System.exit before the application was up: the code reaches the
    // parent, and where the product shows failures, the user.
    build("main_class = \"Exits\"\n");
    WatchReport r = start("7");
    EXPECT_EQ("The JVM could not be started.\n\nThe application ended with code 7 before it was ready.", shown(r));
    EXPECT_EQ(7u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(7u, exitOf(r, "parent"));
    build("main_class = \"Exits\"\n", "[logs]\nshow_error_log = false\n");
    r = start("7");
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_EQ(7u, exitOf(r, "parent"));
    // From a script, with the console passed on: the code, and no box.
    // (Wine's start.exe leaves no console to attach to, so that under Wine
    // only the direct call shows it.)
    build("main_class = \"Exits\"\nconsole = true\n");
    r = runScript("\"" + exe + "\" 6");
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_EQ(6u, exitOf(r, "parent")) << r.describe();

    // HotSpot prints the exception itself: its trace is the dialog's log.
    build("main_class = \"Throws\"\n");
    r = start();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("An error occurred while starting up Ledger:", r.windows[0].text);
    EXPECT_EQ("Exception in thread \"main\" java.lang.IllegalStateException: the ledger is locked\r\n"
              "\tat Throws.main(Throws.java:4)\r\n",
              r.windows[0].editText);
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent"));

    build("main_class = \"NoSuch\"\n");
    r = start();
    std::string text = shown(r);
    EXPECT_EQ(0u, text.find("Main class not found.\n\njava.lang.NoClassDefFoundError: NoSuch\n")) << text;
    EXPECT_EQ(javaLine(), text.substr(text.rfind('\n') + 1));
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent"));

    // What the initialiser threw is the clue.
    build("main_class = \"InitThrows\"\n");
    EXPECT_EQ("The main class InitThrows could not be initialised.\n\njava.lang.ExceptionInInitializerError\n"
              "Caused by: java.lang.IllegalStateException: no configuration\n" + javaLine(),
              shown(start()));

    // A part of the product that is not there.
    build("main_class = \"Facts\"\nclass_path = [\"A1app.jar\", \"S1lib\"]\n");
    EXPECT_EQ("A part of Ledger is missing or empty:\n" + app + "\\lib\nReinstall Ledger to mend it.", shown(start()));

    build("main_class = \"Newer\"\nclass_path = [\"A1newer21.jar\"]\n");
    r = start();
    EXPECT_EQ("Ledger needs Java 21 or newer.\nInstall it, then start Ledger again.\n\n"
              "java.lang.UnsupportedClassVersionError: Newer has been compiled by a more "
              "recent version of the Java Runtime (class file version 65.0), this version of the Java Runtime only "
              "recognizes class file versions up to 61.0\n" + javaLine(),
              shown(r));
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent"));
}

TEST_F(HotSpotTest, ASwingApplicationsWindowClosesTheSplashAndEndsTheParentWithItsLogsKept) {
    Pixels picture;
    picture.width = 240;
    picture.height = 120;
    picture.rgb.assign(240 * 120, 0x2060A0);
    saveBitmap(picture, root / "splash.bmp");
    build("main_class = \"Window\"\n",
          "[splash]\nshow = true\nbitmap = 'splash.bmp'\n[logs]\noutput_log = true\nshow_error_log = false\n");
    WatchReport r = start("4000");
    ASSERT_EQ(2u, r.windows.size()) << r.describe();
    EXPECT_EQ("TarvoSplashScreen", r.windows[0].className);
    EXPECT_EQ("SunAwtFrame", r.windows[1].className);
    EXPECT_EQ("Ledger", r.windows[1].title);
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_EQ(0u, exitOf(r, "child"));
    // The parent ends as the window shows, long before the application.
    EXPECT_LT(endOf(r, "parent"), r.windows[1].atMs + 1000) << r.describe();
    EXPECT_GT(endOf(r, "child"), endOf(r, "parent") + 2000) << r.describe();
    EXPECT_EQ("opening the ledger\r\n", readFile(output));
    EXPECT_EQ("a warning on the way\r\n", readFile(app + "\\error.log"));
}

TEST_F(HotSpotTest, TheConsoleTwinServesAScriptAndCtrlCRunsTheShutdownHooksInItsProcess) {
    build("main_class = \"Echo\"\n", "", " --subsystem console");
    std::string out = root / "out.txt";
    WatchReport r = runScript("echo hello| \"" + exe + "\" > \"" + out + "\" 2>&1");
    EXPECT_EQ(3u, exitOf(r, "parent")) << r.describe();
    EXPECT_EQ("read: hello\ndone\n", textLines(out));

    std::string record = root / "hook.txt";
    build("main_class = \"Hooks\"\n", "", " --subsystem console");
    setEnv("CTRL_C_WHEN", (record + ".up").c_str());
    WatchOptions options;
    options.program = standinPath("console_host.exe");
    options.commandLine = "console_host \"" + root / "screen.txt" + "\" \"" + exe + "\" \"" + record + "\"";
    r = watchProgram(options);
    EXPECT_EQ(130u, exitOf(r, "parent")) << r.describe();
    EXPECT_EQ("hook ran\n", readFile(record));
}

TEST_F(HotSpotTest, ASecondStartsDocumentReachesTheRunningApplicationsHandler) {
    std::string record = root / "handed.txt";
    build("main_class = \"Handover\"\nsingle_instance = true\nclass_path = [\"A1app.jar\", \"A1tarvo-app.jar\"]\n"
          "arguments = '\"" + record + "\"'\n");
    WatchReport second;
    WatchOptions options;
    options.eachPoll = [&](WatchReport&, unsigned) {
        WatchOptions again;
        again.currentDirectory = root.path;
        if (second.processes.empty() && fileExists(record + ".up")) second = start("letter.txt", again);
    };
    WatchReport first = start("", options);
    EXPECT_EQ(0u, exitOf(second, "parent")) << second.describe();
    EXPECT_EQ(nullptr, second.byRole("child")) << second.describe();
    EXPECT_EQ(root.path + "|letter.txt\n", readFile(record));
    EXPECT_EQ(0u, exitOf(first, "child")) << first.describe();
}

TEST_F(HotSpotTest, OptionsFilesReachTheVmAndItsRefusalIsInItsOwnWords) {
    build("main_class = \"Facts\"\n", "[logs]\noutput_log = true\n");
    CreateDirectoryA((roaming + "\\Ledger").c_str(), nullptr);
    std::string file = roaming + "\\Ledger\\launch.vmoptions";
    writeFile(file, "-Xmx50%\n");
    WatchReport r = start();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    MEMORYSTATUSEX memory;
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    double half = (double)memory.ullTotalPhys / 2, heap = atof(lineAfter(readFile(output), "heap ").c_str());
    // The VM rounds the heap to its regions.
    EXPECT_NEAR(half, heap, half / 100) << readFile(output);

    writeFile(file, "-XX:+NoSuchFlag\n");
    r = start();
    EXPECT_EQ("The JAVA_HOME environment variable does not\npoint to a working JDK or JRE.\n\n"
              "Unrecognized VM option 'NoSuchFlag'\n\nOptions were added from\n" + file + "\n\n" + javaLine() +
                  " \xE2\x80\x94 chosen",
              shown(r));
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent"));
}

TEST_F(HotSpotTest, OneFileCarriesTheImageAndItsLaterStartUsesTheCopy) {
    build("main_class = \"Facts\"\nruntime = '" + home + "'\n", "[logs]\noutput_log = true\n");
    setEnv("JAVA_HOME", nullptr);
    for (int round = 0; round < 2; ++round) {
        WatchReport r = start();
        EXPECT_EQ(0u, exitOf(r, "child")) << round << r.describe();
        EXPECT_TRUE(r.windows.empty()) << r.describe();
        std::string javaHome = lineAfter(readFile(output), "java.home ");
        EXPECT_EQ(0u, javaHome.find(lowerCopy(local) + "\\ledger\\runtime\\")) << javaHome;
        EXPECT_EQ("mixed mode, sharing", lineAfter(readFile(output), "java.vm.info ")) << "its own archive maps";
    }
    // Elevated, the VM starts from the same copy once its bytes are checked,
    // which the child waits for.
    WatchOptions elevated;
    elevated.currentDirectory = app;
    WatchReport r = run("", elevated);
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(0u, lineAfter(readFile(output), "java.home ").find(lowerCopy(local) + "\\ledger\\runtime\\"));
}

TEST_F(HotSpotTest, TheArchiveIsWrittenAtTheEndMappedLaterRenewedAndNeverStopsAStart) {
    // Java 17 archives no class of a jar whose path has a blank.
    inFolder("Ledger");
    // Which source each class came from, in the output; the option is part
    // of every start.
    build("main_class = \"Facts\"\nclass_data_sharing = true\nvm_options = '-Xlog:class+load=info'\n",
          "[logs]\noutput_log = true\n");
    auto facts = [&]() {
        std::string loaded = readFile(output);
        size_t at = loaded.find(" Facts source: ");
        return at == std::string::npos ? "(Facts not loaded)" : lineAfter(loaded.substr(at + 1), "Facts source: ");
    };
    WatchReport r = start();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::vector<std::string> archives = filesIn(cds(), "*.jsa");
    ASSERT_EQ(1u, archives.size()) << "written as main returned";
    EXPECT_EQ(0u, facts().find("file:/")) << facts();
    r = start();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ("shared objects file (top)", facts());
    // An elevated start maps nothing of the user's folder.
    WatchOptions elevated;
    elevated.currentDirectory = app;
    r = run("", elevated);
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(0u, facts().find("file:/")) << facts();

    // One cut short (a power cut as the VM wrote it) never stops a start.
    std::string archive = cds() + "\\" + archives[0];
    SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
    writeFile(archive, readFile(archive).substr(0, 4096));
    r = start("after");
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_EQ("[after]", lineAfter(readFile(output), "words "));
    // A changed jar is a new archive.
    writeFile(app + "\\app.jar", readFile(app + "\\app.jar"));
    start();
    EXPECT_EQ(2u, filesIn(cds(), "*.jsa").size());

    // The user's -Xshare:off.
    CreateDirectoryA((roaming + "\\Ledger").c_str(), nullptr);
    writeFile(roaming + "\\Ledger\\launch.vmoptions", "-Xshare:off\n");
    r = start();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ("mixed mode", lineAfter(readFile(output), "java.vm.info "));
}

TEST_F(HotSpotTest, SystemExitWritesTheArchiveAndANativeAgentStartsWithoutOne) {
    build("main_class = \"Exits\"\nclass_data_sharing = true\n");
    WatchReport r = start("0");
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(1u, filesIn(cds(), "*.jsa").size()) << "written as the application ended the VM";

    // A VM that writes an archive refuses a native agent.
    build("main_class = \"Exits\"\nclass_data_sharing = true\nvm_options = '" + agent("") + "'\n");
    r = start("0");
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_TRUE(r.windows.empty()) << r.describe();
}

TEST_F(HotSpotTest, AVmThatCrashesInItsStartSaysSoAndWhereItsReportIs) {
    build("main_class = \"Facts\"\nvm_options = '" + agent("=crash") + "'\n");
    WatchReport r = start();
    const EndedProcess* child = r.byRole("child");
    ASSERT_NE(nullptr, child) << r.describe();
    std::string report = app + "\\hs_err_pid" + std::to_string(child->pid) + ".log";
    EXPECT_EQ("Java crashed while starting Ledger.\nIts report of the crash is\n" + report + "\n\n" + javaLine() +
                  " \xE2\x80\x94 chosen",
              shown(r));
    EXPECT_NE(std::string::npos, readFile(report).find("EXCEPTION_ACCESS_VIOLATION"));
    EXPECT_EQ(1u, exitOf(r, "parent"));

    // Where the product names the report's place.
    build("main_class = \"Facts\"\nvm_options = '" + agent("=crash") + " -XX:ErrorFile=crashes\\%p.txt'\n");
    CreateDirectoryA((app + "\\crashes").c_str(), nullptr);
    r = start();
    child = r.byRole("child");
    ASSERT_NE(nullptr, child) << r.describe();
    EXPECT_EQ("Java crashed while starting Ledger.\nIts report of the crash is\n" + app + "\\crashes\\" +
                  std::to_string(child->pid) + ".txt\n\n" + javaLine() + " \xE2\x80\x94 chosen",
              shown(r));
}
