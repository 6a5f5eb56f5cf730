// The real launcher on a machine without Java, as a user sees it.
#include "launch_fixture.h"

namespace {

bool isCommFileRecord(const std::string& record, const std::string& tmp) {
    std::string prefix = tmp + "\\tvo";
    return record.size() > prefix.size() + 5 && _strnicmp(record.c_str(), prefix.c_str(), prefix.size()) == 0 &&
           _stricmp(record.substr(record.size() - 5).c_str(), ".tmp;") == 0 &&
           record.find(';') == record.size() - 1;
}

}  // namespace

TEST_F(LaunchTest, NoJavaShowsTheMessageInTheChildAndTheParentEndsWithOneAfterIt) {
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    const SeenWindow& box = r.windows[0];
    EXPECT_EQ("child", r.processes[box.process].role);
    EXPECT_EQ("#32770", box.className);
    EXPECT_EQ("Error", box.title);
    EXPECT_EQ(MESSAGE_NO_JVM, box.text);
    // A failed start is no success: the parent waits for the child's end.
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_TRUE(parentWaitedForChild(r)) << r.describe();

    std::string first = tempRecord();
    EXPECT_TRUE(isCommFileRecord(first, tmp)) << first;
    std::string firstFile = first.substr(0, first.size() - 1);
    EXPECT_TRUE(fileExists(firstFile));
    EXPECT_TRUE(fileExists(app + "\\error.log"));

    // The next start deletes the file, which nothing holds any more, and
    // drops it from the record, which then names only its own file.
    WatchReport again = run();
    EXPECT_EQ(1u, exitOf(again, "parent"));
    EXPECT_FALSE(fileExists(firstFile));
    std::string second = tempRecord();
    EXPECT_TRUE(isCommFileRecord(second, tmp)) << second;
    EXPECT_NE(first, second);
    EXPECT_EQ("", tempRecord("delete_dir"));
}

TEST_F(LaunchTest, WithoutCloseOnWindowTheParentWaitsForTheChild) {
    configure({"145=0"});
    WatchOptions options;
    options.readingMs = 800;
    WatchReport r = run("", options);
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ(MESSAGE_NO_JVM, r.windows[0].text);
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_TRUE(parentWaitedForChild(r)) << r.describe();
    EXPECT_GE(endOf(r, "parent"), r.windows[0].atMs + 800) << r.describe();
}

TEST_F(LaunchTest, TheErrorLogLandsBesideTheLauncherWhateverTheCurrentDirectory) {
    std::string elsewhere = root / "elsewhere";
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    writeFile(app + "\\error.log", "left from an earlier run");
    WatchOptions options;
    options.currentDirectory = elsewhere;
    WatchReport r = run("", options);
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_TRUE(fileExists(app + "\\error.log"));
    EXPECT_EQ("", readFile(app + "\\error.log")) << "each start empties the log";
    EXPECT_FALSE(fileExists(elsewhere + "\\error.log"));
}

TEST_F(LaunchTest, AQuotedProgramPathWithBlanksWorksForBothProcesses) {
    // The fixture's folder holds a blank; a relative quoted name works too.
    configure();
    WatchOptions options;
    options.currentDirectory = root.path;
    options.program = exe;
    options.commandLine = "\"Apps Demo\\launch.exe\" a b";
    WatchReport r = watchProgram(options);
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ(MESSAGE_NO_JVM, r.windows[0].text);
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_EQ(1u, exitOf(r, "child"));
}

TEST_F(LaunchTest, ATemporaryFolderWithASingleQuoteStillStartsTheChild) {
    std::string quoted = root / "O'Brien";
    CreateDirectoryA(quoted.c_str(), nullptr);
    setEnv("TMP", quoted.c_str());
    setEnv("TEMP", quoted.c_str());
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ(MESSAGE_NO_JVM, r.windows[0].text) << "the child must read its parameters, not assert";
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_TRUE(isCommFileRecord(tempRecord(), quoted)) << tempRecord();
}

TEST_F(LaunchTest, ALineBeyondThePlatformLimitEndsWithAClearMessage) {
    WatchReport r = run(std::string(32700, 'x'));
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("parent", r.processes[r.windows[0].process].role);
    EXPECT_EQ("Error", r.windows[0].title);
    EXPECT_EQ(0u, r.windows[0].text.find("The command line is too long to start the application:\n"))
        << r.windows[0].text;
    EXPECT_NE(std::string::npos, r.windows[0].text.find(" characters, where at most 32766 fit.")) << r.windows[0].text;
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_EQ(nullptr, r.byRole("child"));
    EXPECT_TRUE(isCommFileRecord(tempRecord(), tmp)) << "an ending by message records the run's files too";
}

TEST_F(LaunchTest, AChildModeLineFromAnyoneButItsOwnStartIsWrongUsageAndRunsNothing) {
    // Cut short, or whole with a folder of jars and a handle of the
    // sender's choosing: no child, no VM, nothing recorded.
    vmHome();
    std::string whole = "__tarvo_load_appl '" + tmp + "\\comm.tmp' '" + root / "planted" + "' '";
    for (std::string tail : {std::string("__tarvo_load_appl"), std::string("__tarvo_load_appl 'c:\\x.tmp"),
                             std::string("__tarvo_load_applet 'c:\\a.tmp' '' foo"), whole + "4' '0' x",
                             whole + "8' '0' x", whole + "0' '0' x"}) {
        WatchReport r = run(tail);
        ASSERT_EQ(1u, r.windows.size()) << r.describe();
        EXPECT_EQ("Wrong Parameter Usage", r.windows[0].text) << tail;
        EXPECT_EQ(1u, exitOf(r, "parent"));
        EXPECT_EQ(nullptr, r.byRole("child"));
        EXPECT_EQ(std::string::npos, vmRecord().find("JNI_CreateJavaVM"));
        EXPECT_EQ("", tempRecord()) << "a child records nothing";
    }
}

TEST_F(LaunchTest, AStartWithAnUnclosedQuoteStillStartsItsChild) {
    // The whole line reads as the program name; the launcher knows its own.
    configure();
    WatchOptions options;
    options.program = exe;
    options.commandLine = "\"" + exe + " arg";
    WatchReport r = watchProgram(options);
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ(MESSAGE_NO_JVM, r.windows[0].text);
    EXPECT_EQ(1u, exitOf(r, "child"));
}

TEST_F(LaunchTest, AFullRecordKeepsItsPathsAndStillTakesTheRunsFile) {
    // Files held open stay in the record, which is longer than any buffer
    // of the launcher once this run's communication file joins it.
    std::string record;
    std::vector<HANDLE> held;
    const size_t full = 8191 - 5;  // no room for this run's path
    const size_t overhead = tmp.size() + 2;  // the "\" and the ";"
    for (int i = 0; record.size() < full; ++i) {
        // Names of at most 200 characters, so that every path stays within
        // MAX_PATH, whatever the length of the scratch folder.
        size_t remaining = full - record.size();
        size_t nameLen = remaining <= overhead + 200 ? remaining - overhead : 200;
        if (remaining > overhead + 200 && remaining - overhead - 200 < overhead + 10) nameLen = 100;
        // Named as a launcher names its files, in this user's temporary folder.
        std::string number = std::to_string(i);
        std::string name = tmp + "\\tvo" + number + std::string(nameLen - 7 - number.size(), 'f') + ".tmp";
        writeFile(name, "x");
        held.push_back(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        record += name + ";";
    }
    ASSERT_EQ(full, record.size());
    writeRegistryValue("SOFTWARE\\brannoc\\tarvo\\temp\\", "delete_file", REG_SZ, record);
    WatchReport r = run();
    EXPECT_EQ(1u, exitOf(r, "parent"));
    std::string now = tempRecord();
    EXPECT_EQ(0u, now.find(record)) << now.substr(0, 300);
    EXPECT_TRUE(isCommFileRecord(now.substr(record.size()), tmp)) << now.substr(record.size());
    for (HANDLE h : held) CloseHandle(h);

    // Once nothing holds them, the next start deletes them all.
    run();
    EXPECT_TRUE(isCommFileRecord(tempRecord(), tmp)) << tempRecord().substr(0, 300);
}

TEST_F(LaunchTest, ATemporaryPathWithASemicolonIsNeverRecorded) {
    std::string odd = root / "a;b";
    CreateDirectoryA(odd.c_str(), nullptr);
    setEnv("TMP", odd.c_str());
    setEnv("TEMP", odd.c_str());
    WatchReport r = run();
    EXPECT_EQ(MESSAGE_NO_JVM, r.windows.empty() ? "" : r.windows[0].text);
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_EQ("", tempRecord());
}
