// The Java that users have today: vendor registry keys, homes of either
// bitness, runtime DLLs in bin, release files and the banners of current VMs.
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
    // A DLL of the name the VM imports, beside the launcher in Downloads.
    CopyFileA(standinPath("lib_jvm_noexport.dll").c_str(), (app + "\\lib_rt_standin.dll").c_str(), FALSE);
    // The application's own native library, and the one it needs beside it.
    CopyFileA(standinPath("lib_jvm_missing.dll").c_str(), (app + "\\native.dll").c_str(), FALSE);
    CopyFileA(standinPath("lib_nowhere.dll").c_str(), (app + "\\lib_nowhere.dll").c_str(), FALSE);
    std::string escaped;
    for (char c : app + "\\native.dll") escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    writeFile(home + "\\bin\\server\\jvm.script", "loadlib=" + escaped + "\n");
    WatchReport r = run();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::string record = modernVmRecord(home);
    EXPECT_NE(std::string::npos, record.find("runtime=140")) << record;
    EXPECT_NE(std::string::npos, record.find("loadlib loaded")) << record;
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
