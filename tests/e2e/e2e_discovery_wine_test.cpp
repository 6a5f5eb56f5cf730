// Finding Java, as a user sees it: which message the child shows, what the
// version cache holds, and which candidates were started.
#include "launch_fixture.h"

namespace {

const char MESSAGE_FROM_PATH[] =
    "The JVM found in your path is damaged.\nPlease reinstall or define TARVO_JAVA_HOME\nto point to an installed "
    "JDK or JRE.";
const char MESSAGE_FROM_REGISTRY[] = "The JVM could not be started.";

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

std::string cacheKey(const std::string& javaPath) {
    std::string key = "SOFTWARE\\brannoc\\tarvo\\jvms\\" + lowerCopy(javaPath);
    for (size_t i = sizeof "SOFTWARE\\brannoc\\tarvo\\jvms\\" - 1; i < key.size(); ++i)
        if (key[i] == '\\') key[i] = '/';
    return key;
}

std::string banner(const std::string& version) { return "say=java version \"" + version + "\"\\r\\nmore\\r\\n\n"; }

}  // namespace

TEST_F(LaunchTest, JavaHomeIsFoundAndItsJreIsPreferred) {
    std::string home = javaHome("jdk", "", true);
    javaHome("jdk");  // a bin\java.exe beside the jre's, which must not be used
    setEnv("JAVA_HOME", home.c_str());
    EXPECT_EQ(message1007("JAVA_HOME"), shown(run()));
    EXPECT_EQ(1, javaRuns(home + "\\jre\\bin"));
    EXPECT_EQ(0, javaRuns(home + "\\bin"));

    std::string key = cacheKey(home + "\\jre\\bin\\java.exe"), version, stamp;
    DWORD type = 0;
    ASSERT_TRUE(readRegistryValue(key.c_str(), "Version", &version, &type)) << key;
    while (!version.empty() && version.back() == '\0') version.pop_back();
    EXPECT_EQ("1.4.2_03", version);
    EXPECT_EQ((DWORD)REG_SZ, type);
    ASSERT_TRUE(readRegistryValue(key.c_str(), "LastWriteTime", &stamp, &type));
    EXPECT_EQ(8u, stamp.size());
    EXPECT_EQ((DWORD)REG_BINARY, type);
}

TEST_F(LaunchTest, TheCacheSparesTheProbeUntilTheExecutableChanges) {
    std::string home = javaHome("jdk");
    std::string bin = home + "\\bin";
    setEnv("JAVA_HOME", home.c_str());
    EXPECT_EQ(message1007("JAVA_HOME"), shown(run()));
    EXPECT_EQ(1, javaRuns(bin));
    EXPECT_EQ(message1007("JAVA_HOME"), shown(run()));
    EXPECT_EQ(1, javaRuns(bin)) << "a cached version needs no probe";

    // A new last-write time, as after an update of the VM.
    HANDLE f = CreateFileA((bin + "\\java.exe").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    FILETIME later = {0x12345678, 0x01D00000};
    SetFileTime(f, nullptr, nullptr, &later);
    CloseHandle(f);
    run();
    EXPECT_EQ(2, javaRuns(bin));

    // A stamp of the wrong size counts as no entry.
    std::string key = cacheKey(bin + "\\java.exe");
    for (size_t size : {7u, 9u}) {
        writeRegistryValue(key.c_str(), "LastWriteTime", REG_BINARY, std::string(size, '\0'));
        run();
    }
    EXPECT_EQ(4, javaRuns(bin));
}

TEST_F(LaunchTest, VersionBoundsDecide) {
    struct Case {
        const char* version;
        const char* minimum;
        const char* maximum;
        bool accepted;
    };
    for (Case c : {Case{"1.4.2_03", "1.1", "", true}, Case{"1.0.2", "1.1", "", false},
                   Case{"1.4.10", "1.4.2", "", true}, Case{"1.4.2_03", "1.1", "1.4", true},
                   Case{"1.5.0", "1.1", "1.4", false}}) {
        deleteRegistryTree("SOFTWARE\\brannoc");
        std::string home = javaHome(std::string("jdk-") + c.version + "-" + c.minimum + "-" + c.maximum,
                                    banner(c.version));
        setEnv("JAVA_HOME", home.c_str());
        configure({std::string("126=") + c.minimum, std::string("127=") + c.maximum});
        EXPECT_EQ(c.accepted ? message1007("JAVA_HOME") : MESSAGE_NO_JVM, shown(run())) << c.version;
    }
}

TEST_F(LaunchTest, BannersThatDoNotQualifyAreRejectedAndNotCached) {
    std::string log = root / "probes.txt";
    setEnv("JAVA_STANDIN_LOG", log.c_str());
    std::vector<std::string> scripts = {
        "say=Picked up options\\r\\nno version here\\n\n",
        "say=java version \"1.4.2\\r\\n\n",
        "say=java version \"\\r\\n\n",
        "exit=0\n",
        "say=java version \"1.4.2_03\"\nhang\n",
    };
    std::string sequence = "128=";
    for (size_t i = 0; i < scripts.size(); ++i) {
        javaHome("bad" + std::to_string(i), scripts[i]);
        sequence += "A" + root / ("bad" + std::to_string(i)) + ";";
    }
    javaHome("good", "say=java version \"1.4.2_03\"\\r\\n\npause=100\n");
    sequence += "A" + root / "good" + ";";
    configure({sequence});
    DWORD before = GetTickCount();
    EXPECT_EQ(message1008(root / "good"), shown(run()));
    DWORD took = GetTickCount() - before;
    EXPECT_LT(took, 25000u) << "a hung candidate must cost only the probe's time-out";
    EXPECT_GE(took, 15000u);
    for (size_t i = 0; i < scripts.size(); ++i) {
        std::string version;
        EXPECT_FALSE(readRegistryValue(cacheKey(root / ("bad" + std::to_string(i)) + "\\bin\\java.exe").c_str(),
                                       "Version", &version))
            << scripts[i];
    }
}

TEST_F(LaunchTest, TheProbeRunsExactlyTheCandidateEvenBesideADecoy) {
    std::string programFiles = root / "Program Files";
    CreateDirectoryA(programFiles.c_str(), nullptr);
    std::string decoyLog = root / "decoy.txt";
    setEnv("JAVA_STANDIN_LOG", decoyLog.c_str());
    // root\Program.exe is what an unquoted C:\...\Program Files\... line starts.
    CopyFileA(standinPath("java_standin.exe").c_str(), (root / "Program.exe").c_str(), FALSE);
    javaHome("Program Files\\Java");
    configure({"128=A" + programFiles + "\\Java;"});
    EXPECT_EQ(message1008(programFiles + "\\Java"), shown(run()));
    std::string probes = readFile(decoyLog);
    EXPECT_EQ(std::string::npos, probes.find("Program.exe")) << probes;
    EXPECT_NE(std::string::npos, probes.find("Java\\bin\\java.exe")) << probes;
}

TEST_F(LaunchTest, RegistryCurrentVersionTiesGoToTheRuntime) {
    std::string log = root / "probes.txt";
    setEnv("JAVA_STANDIN_LOG", log.c_str());
    std::string jdk = javaHome("jdk14"), jre = javaHome("jre14");
    writeRegistryValue("SOFTWARE\\JavaSoft\\Java Development Kit", "CurrentVersion", REG_SZ, "1.4");
    writeRegistryValue("SOFTWARE\\JavaSoft\\Java Runtime Environment", "CurrentVersion", REG_SZ, "1.4");
    writeRegistryValue("SOFTWARE\\JavaSoft\\Java Development Kit\\1.4", "JavaHome", REG_SZ, jdk);
    writeRegistryValue("SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4", "JavaHome", REG_SZ, jre);
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    EXPECT_EQ(MESSAGE_FROM_REGISTRY, shown(run()));
    EXPECT_EQ(lowerCopy(jre + "\\bin\\java.exe\n"), lowerCopy(readFile(log)));
    // The trace names the key the home was read from.
    EXPECT_NE(std::string::npos, readFile(trace).find("search SOFTWARE\\JavaSoft\\Java Runtime Environment: "))
        << readFile(trace);
}

TEST_F(LaunchTest, RegistryVersionKeysAreTriedFromTheGreatestDown) {
    std::string log = root / "probes.txt";
    setEnv("JAVA_STANDIN_LOG", log.c_str());
    const char* base = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\";
    for (const char* name : {"1.3.1", "1.4", "1.4.1_02", "1.4.2_03"}) {
        // Each home reports a version below the bound, so every kept name is tried.
        std::string home = javaHome(std::string("jre") + name, banner("1.4.1"));
        writeRegistryValue((std::string(base) + name).c_str(), "JavaHome", REG_SZ, home);
    }
    configure({"126=1.4.2"});
    EXPECT_EQ(MESSAGE_NO_JVM, shown(run()));
    EXPECT_EQ(lowerCopy(root / "jre1.4.2_03\\bin\\java.exe\n" + root / "jre1.4\\bin\\java.exe\n"), lowerCopy(readFile(log)));

    deleteRegistryTree("SOFTWARE\\JavaSoft");
    DeleteFileA(log.c_str());
    for (const char* name : {"1.10", "1.9"})
        writeRegistryValue((std::string(base) + name).c_str(), "JavaHome", REG_SZ,
                           javaHome(std::string("k") + name, banner("0.1")));
    configure();
    EXPECT_EQ(MESSAGE_NO_JVM, shown(run()));
    EXPECT_EQ(lowerCopy(root / "k1.10\\bin\\java.exe\n" + root / "k1.9\\bin\\java.exe\n"), lowerCopy(readFile(log)));
}

TEST_F(LaunchTest, JavawIsRequiredWhenConfiguredWhileTheCacheNamesJava) {
    std::string without = javaHome("nojavaw", "", false, false);
    setEnv("JAVA_HOME", without.c_str());
    EXPECT_EQ(MESSAGE_NO_JVM, shown(run()));

    configure({"107=0"});
    EXPECT_EQ(message1007("JAVA_HOME"), shown(run()));

    std::string with = javaHome("withjavaw");
    setEnv("JAVA_HOME", with.c_str());
    configure();
    EXPECT_EQ(message1007("JAVA_HOME"), shown(run()));
    std::string version;
    EXPECT_TRUE(readRegistryValue(cacheKey(with + "\\bin\\java.exe").c_str(), "Version", &version));
    EXPECT_FALSE(readRegistryValue(cacheKey(with + "\\bin\\javaw.exe").c_str(), "Version", &version));
}

TEST_F(LaunchTest, EachSourceGivesItsOwnMessage) {
    std::string home = javaHome("jdk");
    configure({"128=A.\\..\\jdk;"});
    EXPECT_EQ(message1008(".\\..\\jdk"), shown(run())) << "the folder exactly as configured";
    configure({"128=R" + home + ";"});
    EXPECT_EQ(message1008(home), shown(run()));

    configure({"128=S;"});
    std::string path = home + "\\bin;" + std::string(getenv("PATH") ? getenv("PATH") : "");
    setEnv("PATH", path.c_str());
    EXPECT_EQ(MESSAGE_FROM_PATH, shown(run()));

    setEnv("JAVA_HOME", home.c_str());
    configure({"128=x;yEJAVA_HOME;;eJAVA_HOME;;EJAVA_HOME;"});
    EXPECT_EQ(message1007("JAVA_HOME"), shown(run()));
}

TEST_F(LaunchTest, TheFlavourVariableIsTheLastSource) {
    std::string home = javaHome("jdk");
    setEnv("TARVO_JAVA_HOME", home.c_str());
    setEnv("SELVADRIN_JAVA_HOME", home.c_str());
    configure({"128="});
    EXPECT_EQ(message1007("TARVO_JAVA_HOME"), shown(run()));
    configure({"128=", "2001=s"});
    EXPECT_EQ(message1007("SELVADRIN_JAVA_HOME"), shown(run()));
    configure({"128=", "2001=x"});
    EXPECT_EQ(MESSAGE_NO_JVM, shown(run()));
    configure({"128=", "2001"});
    EXPECT_EQ(MESSAGE_NO_JVM, shown(run()));
}

TEST_F(LaunchTest, AnOverlongVariableFailsItsSourceCleanly) {
    std::string home = javaHome("jdk");
    setEnv("JAVA_HOME", (home + std::string(9000, '\\')).c_str());
    setEnv("JDK_HOME", home.c_str());
    EXPECT_EQ(message1007("JDK_HOME"), shown(run()));
}

TEST_F(LaunchTest, ANewProjectTellsAnEndUserWhatToInstallAndOffersItsPage) {
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    LauncherPlan plan;
    plan.fromDefaults = true;
    plan.strings = {{101, "Ledger"}, {122, "M"}, {126, "17"}, {128, "EJAVA_HOME;"}, {157, "https://example.org/java"}};
    makeLauncher(exe, plan);
    WatchReport r = run();
    EXPECT_EQ(std::string("Ledger needs Java 17 or newer (") + (testingX86() ? "32-bit" : "64-bit") +
                  ").\nInstall it, then start Ledger again.\n\nOpen the page to download Java now?\n"
                  "https://example.org/java",
              shown(r));
    EXPECT_EQ(1u, exitOf(r, "parent"));
    // The harness answers with the first button, Yes: the page is handed to the shell.
    EXPECT_NE(std::string::npos, readFile(trace).find("open https://example.org/java")) << readFile(trace);
}
