// The Java that users have today: vendor registry keys, homes of either
// bitness, runtime DLLs in bin, release files and the banners of current VMs.
#include <algorithm>
#include <iostream>
#include <sstream>

#include "launch_fixture.h"

namespace {

const char ADOPTIUM[] = "SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI";

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

std::string cachedVersion(const std::string& javaPath) {
    std::string key = "SOFTWARE\\brannoc\\tarvo\\jvms\\" + lowerCopy(javaPath), version;
    for (size_t i = sizeof "SOFTWARE\\brannoc\\tarvo\\jvms\\" - 1; i < key.size(); ++i)
        if (key[i] == '\\') key[i] = '/';
    readRegistryValue(key.c_str(), "Version", &version);
    while (!version.empty() && version.back() == '\0') version.pop_back();
    return version;
}

bool mainRan(const std::string& record) { return record.find("main-returned") != std::string::npos; }

uint64_t now() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime;
}

// From `started` to the last call of main that the stand-in VM recorded.
double msToMain(const std::string& record, uint64_t started) {
    size_t at = record.rfind("main-at=");
    return at == std::string::npos ? -1 : (double)(std::stoull(record.substr(at + 8)) - started) / 10000.0;
}

}  // namespace

TEST_F(LaunchTest, AJdk17KnownOnlyToItsInstallerStartsWithoutAProbe) {
    // Installers write the home with a trailing backslash.
    std::string home = modernHome("jdk-17.0.9.9-hotspot", false, "17.0.9");
    writeRegistryValue(ADOPTIUM, "Path", REG_SZ, home + "\\");
    // Started from its own folder, as Explorer does, so that no folder of
    // the rig that holds the runtime DLL is the current one.
    WatchOptions fromExplorer;
    fromExplorer.currentDirectory = app;
    uint64_t started = now();
    WatchReport r = run("", fromExplorer);
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_EQ(0u, exitOf(r, "child"));
    std::string record = modernVmRecord(home);
    EXPECT_TRUE(mainRan(record)) << record;
    EXPECT_NE(std::string::npos, record.find("runtime=140")) << "the VM's runtime DLL, found in bin only";
    EXPECT_EQ(0, javaRuns(home + "\\bin")) << "the release file tells the version";
    EXPECT_EQ("17.0.9", cachedVersion(home + "\\bin\\java.exe"));
    double withRelease = msToMain(record, started);

    // The same first start where only a probe can tell the version.
    deleteRegistryTree("SOFTWARE\\brannoc");
    DeleteFileA((home + "\\release").c_str());
    writeFile(home + "\\bin\\java.script", "say=openjdk version \"17.0.9\" 2023-10-17\\r\\n\n");
    started = now();
    r = run("", fromExplorer);
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ(1, javaRuns(home + "\\bin"));
    double withProbe = msToMain(modernVmRecord(home), started);
    printf("first start to main: %.0f ms with a release file, %.0f ms with a probe\n", withRelease, withProbe);
}

TEST_F(LaunchTest, TheVmsDllsComeFromItsJavaNeverFromBesideTheLauncher) {
    std::string home = modernHome("jdk-17", false, "17.0.9");
    setEnv("JAVA_HOME", home.c_str());
    // DLLs planted beside the launcher in Downloads, and in the folder it is
    // started in: one of the name the VM imports, one that the VM would
    // load later by its name alone.
    std::string native = app + "\\native", here = root / "here";
    CreateDirectoryA(native.c_str(), nullptr);
    CreateDirectoryA(here.c_str(), nullptr);
    CopyFileA(standinPath("lib_jvm_noexport.dll").c_str(), (app + "\\lib_rt_standin.dll").c_str(), FALSE);
    for (const std::string& folder : {app, here})
        CopyFileA(standinPath("lib_nowhere.dll").c_str(), (folder + "\\planted.dll").c_str(), FALSE);
    // The application's own JNI library, and the one it imports beside it,
    // in the folder the product names.
    CopyFileA(standinPath("lib_jvm_missing.dll").c_str(), (native + "\\native.dll").c_str(), FALSE);
    CopyFileA(standinPath("lib_nowhere.dll").c_str(), (native + "\\lib_nowhere.dll").c_str(), FALSE);
    configure({"123=\"-Djava.library.path=" + native + "\""});
    writeFile(home + "\\bin\\server\\jvm.script",
              "loadlib=planted.dll\nloadlib=" + scriptText(native + "\\native.dll") + "\n");
    WatchOptions options;
    options.currentDirectory = here;
    WatchReport r = run("", options);
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::string record = modernVmRecord(home);
    EXPECT_NE(std::string::npos, record.find("runtime=140")) << record;
    EXPECT_NE(std::string::npos, record.find("loadlib failed 126\nloadlib loaded")) << record;
}

TEST_F(LaunchTest, AJavaOfTheOtherBitnessIsPassedOverAndNamedWhenItIsAllThereIs) {
    std::string foreign = modernHome("jdk-17-other", false, "17.0.9", true);
    writeRegistryValue(ADOPTIUM, "Path", REG_SZ, foreign + "\\");
    std::string own = modernHome("jdk8-own", true, "1.8.0_392");
    setEnv("JAVA_HOME", own.c_str());
    WatchReport r = run();
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_TRUE(mainRan(modernVmRecord(own)));
    EXPECT_EQ(0, javaRuns(foreign + "\\bin")) << "no process for a VM that cannot load";
    EXPECT_EQ("", cachedVersion(foreign + "\\bin\\java.exe"));

    setEnv("JAVA_HOME", nullptr);
    const char* needed = testingX86() ? "32-bit" : "64-bit";
    const char* found = testingX86() ? "64-bit" : "32-bit";
    EXPECT_EQ(std::string("Java 17.0.9 (") + found + ") was found in\n" + foreign + "\\\nbut this program needs a " +
                  needed + " Java.",
              shown(run()));

    // On Windows on ARM, the x64 launcher names the ARM64 Java it passed
    // over, and itself apart from it.
    std::string library = foreign + "\\bin\\server\\jvm.dll", image = readFile(library);
    uint32_t pe = 0;
    memcpy(&pe, image.data() + 0x3C, 4);
    image[pe + 4] = '\x64';
    image[pe + 5] = '\xAA';
    writeFile(library, image);
    EXPECT_EQ("Java 17.0.9 (ARM64) was found in\n" + foreign + "\\\nbut this program needs " +
                  (testingX86() ? "a 32-bit" : "an x64") + " Java.",
              shown(run()));
}

TEST_F(LaunchTest, TheBannersOfCurrentVmsAreRead) {
    struct Case {
        const char* script;
        const char* version;
    };
    // Temurin's shape behind a "Picked up" line, and Oracle's, with LF ends.
    for (Case c : {Case{"say=Picked up JAVA_TOOL_OPTIONS: -Dfile.encoding=UTF-8\\n"
                        "openjdk version \"17.0.9\" 2023-10-17\\nOpenJDK Runtime Environment Temurin\\n\n",
                        "17.0.9"},
                   Case{"say=java version \"1.8.0_392\"\\nJava(TM) SE Runtime Environment\\n\n", "1.8.0_392"}}) {
        std::string home = javaHome(std::string("jdk-") + c.version, c.script);
        setEnv("JAVA_HOME", home.c_str());
        configure({"126=1.8.0_60"});
        EXPECT_EQ(message1007("JAVA_HOME"), shown(run())) << c.version;
        EXPECT_EQ(c.version, cachedVersion(home + "\\bin\\java.exe"));
    }
}

TEST_F(LaunchTest, VendorKeysAreReadNewestFirst) {
    std::string log = root / "probes.txt";
    setEnv("JAVA_STANDIN_LOG", log.c_str());
    // Every home is below the bound, so each kept key is tried in turn.
    for (const char* name : {"9", "17", "11.0.2"})
        writeRegistryValue((std::string("SOFTWARE\\JavaSoft\\JDK\\") + name).c_str(), "JavaHome", REG_SZ,
                           javaHome(std::string("jdk") + name, "say=java version \"1.2\"\\r\\n\n"));
    configure({"126=1.3"});
    EXPECT_EQ(MESSAGE_NO_JVM, shown(run()));
    EXPECT_EQ(lowerCopy(root / "jdk17\\bin\\java.exe\n" + root / "jdk11.0.2\\bin\\java.exe\n" + root /
                        "jdk9\\bin\\java.exe\n"),
              lowerCopy(readFile(log)));

    const char* message = "The JVM could not be started.";
    writeRegistryValue("SOFTWARE\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", REG_SZ, javaHome("zulu17"));
    EXPECT_EQ(message, shown(run()));
    deleteRegistryTree("SOFTWARE\\Azul Systems");
    writeRegistryValue("SOFTWARE\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", "Path", REG_SZ, javaHome("ms17"));
    EXPECT_EQ(message, shown(run()));
    std::string probes = lowerCopy(readFile(log));
    EXPECT_NE(std::string::npos, probes.find(lowerCopy(root / "zulu17\\bin\\java.exe"))) << probes;
    EXPECT_NE(std::string::npos, probes.find(lowerCopy(root / "ms17\\bin\\java.exe"))) << probes;
}

namespace {

// Class-data sharing, managed by the launcher for a 64-bit VM.
struct SharingTest : LaunchTest {
    std::string local = root / "local";
    std::string cds = local + "\\Orvan Desk\\cds\\";

    void SetUp() override {
        LaunchTest::SetUp();
        userFolder("LOCALAPPDATA", local);
    }

    // As a standard user starts it: Wine runs every program elevated, and
    // an elevated start adds no archive of the user's folder.
    WatchReport run(const std::string& args = "", WatchOptions options = {}) {
        options.limited = true;
        return LaunchTest::run(args, options);
    }

    // A Java of that version under JAVA_HOME, whose VM acts out `script`.
    std::string java(const std::string& version, const std::string& script = "") {
        std::string home = modernHome("jdk-" + version, false, version);
        writeFile(home + "\\bin\\server\\jvm.script", script);
        // The Java's own archive, which a dynamic one is made on.
        writeFile(home + "\\bin\\server\\classes.jsa", "base archive");
        setEnv("JAVA_HOME", home.c_str());
        return home;
    }

    // The sharing options of the VM's last creation.
    std::string sharing(const std::string& home) {
        std::string record = modernVmRecord(home), out;
        size_t last = record.rfind("JNI_CreateJavaVM version=");
        std::istringstream lines(last == std::string::npos ? "" : record.substr(last));
        for (std::string line; std::getline(lines, line);)
            if (line.find("Shared") != std::string::npos || line.find("AOT") != std::string::npos ||
                line.find("ArchiveClasses") != std::string::npos)
                out += line.substr(7) + "\n";
        return out;
    }
};

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE walk = FindFirstFileA((folder + "*").c_str(), &found);
    for (bool more = walk != INVALID_HANDLE_VALUE; more; more = FindNextFileA(walk, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    if (walk != INVALID_HANDLE_VALUE) FindClose(walk);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_F(SharingTest, EachJavaGetsItsArchiveMadeAtTheFirstStartAndMappedAtTheNext) {
    configure({"159=1"});
    struct Case {
        const char *version, *first, *next;
    } cases[] = {
        {"11.0.21", "", ""},
        {"17.0.9", "-XX:ArchiveClassesAtExit=@.jsa\n", "-XX:SharedArchiveFile=@.jsa\n"},
        {"21.0.1", "-XX:+AutoCreateSharedArchive\n-XX:SharedArchiveFile=@.jsa\n",
         "-XX:+AutoCreateSharedArchive\n-XX:SharedArchiveFile=@.jsa\n"},
        {"25", "-XX:AOTCacheOutput=@.aot\n", "-XX:AOTCache=@.aot\n"},
    };
    for (const Case& c : cases) {
        std::string home = java(c.version);
        std::vector<std::string> both;
        for (int start = 0; start < 2; ++start) {
            EXPECT_EQ(0u, exitOf(run(), "child")) << c.version;
            both.push_back(sharing(home));
        }
        if (testingX86()) {
            // A 32-bit VM gets none.
            EXPECT_EQ("", both[0] + both[1]) << c.version;
            continue;
        }
        // One archive for the two starts, its name a hash.
        size_t at = both[0].find(cds);
        std::string name = at == std::string::npos ? "" : both[0].substr(at + cds.size(), 16);
        auto expected = [&](std::string text) {
            for (size_t p; (p = text.find('@')) != std::string::npos;) text.replace(p, 1, cds + name);
            return text;
        };
        EXPECT_EQ(expected(c.first), both[0]) << c.version;
        EXPECT_EQ(expected(c.next), both[1]) << c.version;
        std::cout << "Java " << c.version << ": " << (both[0].empty() ? "none\n" : both[0]);
    }
}

TEST_F(SharingTest, ANewClassPathIsANewArchiveAndTheUsersOwnSharingOptionsTurnOursOff) {
    if (testingX86()) GTEST_SKIP() << "a 32-bit VM maps no archive";
    std::string home = java("21.0.1"), jar = app + "\\orvanapi.jar";
    configure({"159=1"});
    writeFile(jar, "classes");
    run();
    std::string first = sharing(home);
    writeFile(jar, "classes, and more of them");
    run();
    std::string second = sharing(home);
    EXPECT_NE(first, second);
    EXPECT_NE(std::string::npos, second.find(cds)) << second;
    std::cout << "two class paths:\n" << first << second;
    configure({"159=1", "123=-Xshare:off"});
    run();
    EXPECT_EQ("", sharing(home));
    configure({"159=1"});
    LaunchTest::run();
    EXPECT_EQ("", sharing(home)) << "elevated";
}

TEST_F(SharingTest, AVmThatRefusesTheOptionsStartsWithoutThemAndOnlyOldArchivesGo) {
    if (testingX86()) GTEST_SKIP() << "a 32-bit VM maps no archive";
    std::string home = java("21.0.1", "refusesharing");
    configure({"159=1"});
    CreateDirectoryA((local + "\\Orvan Desk").c_str(), nullptr);
    CreateDirectoryA(cds.c_str(), nullptr);
    // Five archives of earlier class paths, used a day apart; two files not ours.
    for (int day = 1; day <= 5; ++day) {
        std::string path = cds + "00000000000000a" + std::to_string(day) + ".jsa";
        writeFile(path, "archive");
        // Read-only, as the VM writes them.
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ULARGE_INTEGER when;
        when.QuadPart = now() - (uint64_t)(10 - day) * 864000000000ULL;
        FILETIME time = {when.LowPart, when.HighPart};
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
    writeFile(cds + "notes.txt", "mine");
    writeFile(cds + "app.jsa", "mine too");
    WatchReport r = run();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::string record = modernVmRecord(home);
    EXPECT_EQ(2u, count(record, "JNI_CreateJavaVM version=")) << record;
    EXPECT_TRUE(mainRan(record));
    EXPECT_EQ("", sharing(home));
    EXPECT_EQ((std::vector<std::string>{"00000000000000a4.jsa", "00000000000000a5.jsa", "app.jsa", "notes.txt"}),
              filesIn(cds));
}
