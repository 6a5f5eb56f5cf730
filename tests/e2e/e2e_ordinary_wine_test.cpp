// Starts that every product meets on ordinary machines: logs in folders
// that refuse them, a second instance, Java on the path and for one user,
// a failed start, temporary records that others wrote, the splash started
// from a maximized shortcut.
#include "launch_fixture.h"

namespace {

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

const char TEMP_KEY[] = "SOFTWARE\\brannoc\\tarvo\\temp";

}  // namespace

TEST_F(LaunchTest, ALogTheFolderRefusesGoesToTheUsersDataFolder) {
    // A folder in the way of the file: the closest refusal Wine shows of a
    // standard user under Program Files.
    std::string local = root / "Local";
    CreateDirectoryA(local.c_str(), nullptr);
    setEnv("LOCALAPPDATA", local.c_str());
    configure({"145=0"});
    CreateDirectoryA((app + "\\error.log").c_str(), nullptr);
    WatchReport r = runApplication("stderr=it went wrong\\r\\n\nsleep=1500");
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("it went wrong\r\n", r.windows[0].editText);
    EXPECT_EQ("it went wrong\r\n", readFile(local + "\\Orvan Desk\\error.log"));
    // The dialog says where the log is, since it is not beside the program.
    EXPECT_EQ(lowerCopy("Error \xE2\x80\x94 " + local + "\\Orvan Desk\\error.log"), lowerCopy(r.windows[0].title));
}

TEST_F(LaunchTest, ASecondInstanceWritesItsOwnLogAndLeavesTheFirstOnesWhole) {
    configure({"106=0", "145=0"});
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    vmHome("stderr=started\\r\\n\nsleep=2500\nstderr=ended\\r\\n");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION first;
    std::string line = "\"" + exe + "\"";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &first));
    // Generous limits: beside a loaded machine's other Wine tests a start
    // may stall for many seconds, and the order of the two must hold.
    for (int i = 0; i < 600 && readFile(app + "\\error.log").empty(); ++i) Sleep(50);
    bool firstUp = !readFile(app + "\\error.log").empty();
    WatchReport second = run();
    bool firstEnded = WaitForSingleObject(first.hProcess, 30000) == WAIT_OBJECT_0;
    if (!firstEnded) TerminateProcess(first.hProcess, 9);
    CloseHandle(first.hThread);
    CloseHandle(first.hProcess);
    ASSERT_TRUE(firstUp && firstEnded) << "first instance up " << firstUp << ", ended " << firstEnded << "\n"
                                       << readFile(trace);
    EXPECT_EQ(0u, exitOf(second, "parent"));
    EXPECT_EQ("started\r\nended\r\n", readFile(app + "\\error.log"));
    EXPECT_EQ("started\r\nended\r\n", readFile(app + "\\error-2.log"));
}

TEST_F(LaunchTest, AFailedStartEndsTheParentWithOne) {
    WatchReport r = run();
    EXPECT_EQ(MESSAGE_NO_JVM, shown(r));
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent")) << "the child's message is no application window";
    EXPECT_TRUE(parentWaitedForChild(r)) << r.describe();
}

TEST_F(LaunchTest, AJavaOnThePathThroughALinkAndOneWithoutItsVmAreToldApart) {
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    std::string home = vmHome();
    // A half-removed Java first: java.exe, no jvm.dll.
    std::string broken = javaHome("broken", "", false, true, false);
    setEnv("BROKEN_HOME", broken.c_str());
    // The folder an installer puts on PATH: a link to java.exe, nothing else.
    std::string links = root / "javapath";
    CreateDirectoryA(links.c_str(), nullptr);
    // Wine 8 reports success but makes a link that leads nowhere; where that
    // is so, the path holds the Java's bin and only the link's part is left out.
    bool linked = CreateSymbolicLinkA((links + "\\java.exe").c_str(), (home + "\\bin\\java.exe").c_str(), 0) &&
                  fileExists(links + "\\java.exe");
    std::string target = linked ? links : home + "\\bin";
    setEnv("PATH", (target + ";" + getenv("SystemRoot") + "\\system32").c_str());
    configure({"128=EBROKEN_HOME;S;"});
    WatchReport r = run();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_NE(std::string::npos, vmRecord().find("main-returned"));
    std::string text = readFile(trace);
    EXPECT_NE(std::string::npos, text.find("broken\\bin\\java.exe, version unknown (unknown): no jvm.dll")) << text;
    if (!linked) {
        printf("symbolic links: none that lead anywhere here; the link's part is left out\n");
        return;
    }
    EXPECT_NE(std::string::npos, text.find("javapath\\java.exe links to ")) << text;
}

TEST_F(LaunchTest, AJavaInstalledForOneUserIsFoundThroughItsExpandableKey) {
    const char* key = "SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI";
    std::string home = modernHome("jdk-17.0.9.9-hotspot", false, "17.0.9");
    setEnv("USER_JAVA", home.c_str());
    writeRegistryValue(key, "Path", REG_EXPAND_SZ, std::string("%USER_JAVA%\\") + '\0', HKEY_CURRENT_USER);
    configure({"128=Y"});
    WatchReport r = run();
    deleteRegistryTree("SOFTWARE\\Eclipse Adoptium", HKEY_CURRENT_USER);
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_NE(std::string::npos, modernVmRecord(home).find("main-returned"));
}

TEST_F(LaunchTest, TempRecordsDeleteOnlyTheLaunchersOwnFilesInThisUsersTempFolder) {
    std::string victim = root / "precious.txt", other = tmp + "\\notes.tmp", own = tmp + "\\tvoAB12.tmp";
    for (const std::string& f : {victim, other, own}) writeFile(f, "x");
    // Any program of the user may write the user's records.
    writeRegistryValue(TEMP_KEY, "delete_file", REG_SZ, victim + ";" + other + ";" + own + ";", HKEY_CURRENT_USER);
    vmHome();
    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_TRUE(fileExists(victim));
    EXPECT_TRUE(fileExists(other));
    EXPECT_FALSE(fileExists(own));
    std::string left = userValue(TEMP_KEY, "delete_file");
    EXPECT_EQ(std::string::npos, left.find("precious")) << "dropped from the record: " << left;
    EXPECT_EQ(std::string::npos, left.find("notes.tmp")) << left;
}

TEST_F(LaunchTest, AMaximizedShortcutShowsTheSplashAsDesignedAndItAnswersWhileTheParentWaits) {
    configure({"108=1", "141=160", "142=60"});
    // Another launcher holds the records: the parent waits for it, up to
    // ten seconds, before its message loop.
    writeRegistryValue(TEMP_KEY, "delete_file", REG_SZ, tmp + "\\tvo1.tmp;");
    HANDLE busy = CreateMutexA(nullptr, TRUE, "Global\\brannoc.tarvo.temp-records");
    bool answered = false, released = false;
    RECT seen = {};
    WatchOptions o;
    o.showCommand = SW_SHOWMAXIMIZED;
    o.eachPoll = [&](WatchReport& r, unsigned ms) {
        for (const SeenWindow& w : r.windows)
            if (w.className == "TarvoSplashScreen" && !released && ms > 600) {
                GetWindowRect((HWND)w.handle, &seen);
                DWORD_PTR result = 0;
                answered = SendMessageTimeoutA((HWND)w.handle, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &result) != 0;
                released = ReleaseMutex(busy);
            }
    };
    WatchReport r = runApplication("sleep=300", "", o);
    if (!released) ReleaseMutex(busy);
    CloseHandle(busy);
    EXPECT_TRUE(released) << r.describe();
    EXPECT_TRUE(answered) << "the splash answers while the parent waits";
    EXPECT_EQ(160, seen.right - seen.left);
    EXPECT_EQ(60, seen.bottom - seen.top);
}
