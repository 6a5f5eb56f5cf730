// Files carried inside the launcher: written out at each start, on the
// child's class path, deleted by the next start, and never outside their
// folder.
#include <algorithm>

#include "launch_fixture.h"

namespace {

std::string internalError(int code) {
    return "An internal error occured (error code: " + std::to_string(code) + ")";
}

struct ExtractTest : LaunchTest {
    // A launcher carrying these files, with 2002 and 2003 as given (or as
    // the files say when empty).
    void carry(const std::vector<IncludedFile>& files, const std::string& count = "",
               const std::string& names = "") {
        LauncherPlan plan;
        plan.includeGiven = true;
        plan.included = files;
        if (!count.empty()) plan.strings[2002] = count;
        if (!names.empty()) plan.strings[2003] = names;
        makeLauncher(exe, plan);
    }
    // The extraction folders in the temporary folder.
    std::vector<std::string> folders() {
        std::vector<std::string> out;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((tmp + "\\tvo*.tmp_dir").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return out;
        do out.push_back(tmp + "\\" + found.cFileName);
        while (FindNextFileA(h, &found));
        FindClose(h);
        return out;
    }
    std::vector<std::string> filesIn(const std::string& folder) {
        std::vector<std::string> out;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return out;
        do
            if (found.cFileName[0] != '.') out.push_back(found.cFileName);
        while (FindNextFileA(h, &found));
        FindClose(h);
        std::sort(out.begin(), out.end());
        return out;
    }
};

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

IncludedFile file(const char* name, const std::string& bytes) {
    return IncludedFile{name, std::vector<uint8_t>(bytes.begin(), bytes.end())};
}

}  // namespace

TEST_F(ExtractTest, IncludedJarsReachTheClassPathAndTheNextStartDeletesThem) {
    vmHome();
    std::string jar("PK\x03\x04\0jar bytes\xFF", 15);
    carry({file("a.jar", jar), file("empty.zip", ""), file("notes.txt", "x")});
    WatchReport r = run();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::vector<std::string> made = folders();
    ASSERT_EQ(1u, made.size());
    std::string folder = made[0];
    EXPECT_EQ((std::vector<std::string>{"a.jar", "empty.zip", "notes.txt"}), filesIn(folder));
    EXPECT_EQ(jar, readFile(folder + "\\a.jar"));
    EXPECT_EQ("", readFile(folder + "\\empty.zip"));
    // The carried archives come first, then the configured entries.
    std::string classPath = "-Djava.class.path=" + lowerCopy(folder) + "\\a.jar;" + lowerCopy(folder) +
                            "\\empty.zip;" + lowerCopy(app) + "\\orvanapi.jar";
    EXPECT_NE(std::string::npos, vmRecord().find("option=" + classPath + "\n")) << vmRecord();

    run();
    EXPECT_FALSE(fileExists(folder)) << "the next start deletes the files and then their folder";

    // An elevated start (Wine's every start) holds them for as long as its
    // child runs: no other process writes a byte the VM reads.
    writeFile(root / "vm\\bin\\client\\jvm.script", "sleep=3000\n");
    bool refused = false, tried = false;
    std::vector<std::string> before = folders();
    WatchOptions options;
    options.eachPoll = [&](WatchReport&, unsigned ms) {
        std::string mine;
        for (const std::string& f : folders())
            if (std::find(before.begin(), before.end(), f) == before.end()) mine = f;
        // While the child sleeps in main: its parent has written and held them.
        if (tried || mine.empty() || ms < 1500) return;
        tried = true;
        HANDLE write = CreateFileA((mine + "\\a.jar").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        refused = write == INVALID_HANDLE_VALUE;
        if (write != INVALID_HANDLE_VALUE) CloseHandle(write);
    };
    EXPECT_EQ(0u, exitOf(run("", options), "child"));
    EXPECT_TRUE(tried);
    EXPECT_TRUE(refused) << "the extracted jar could be written while the child ran";
}

TEST_F(ExtractTest, TheCountAndTheListLimitEachOther) {
    vmHome();
    struct Case {
        const char* count;
        const char* names;
        std::vector<std::string> written;
    };
    for (const Case& c : {Case{"2", "a.jar", {"a.jar"}}, Case{"1", "a.jar;b.jar", {"a.jar"}},
                          Case{"2", ";a.jar;;b.jar;", {"a.jar", "b.jar"}}}) {
        for (const std::string& f : folders()) removeTree(f);
        carry({file("one", "1"), file("two", "2")}, c.count, c.names);
        WatchReport r = run();
        EXPECT_EQ(0u, exitOf(r, "child")) << c.names << r.describe();
        std::vector<std::string> made = folders();
        ASSERT_EQ(1u, made.size()) << c.names;
        EXPECT_EQ(c.written, filesIn(made[0])) << c.names;
        if (c.written.size() == 2) EXPECT_EQ("2", readFile(made[0] + "\\b.jar"));
    }
}

TEST_F(ExtractTest, AMissingResourceEndsTheStartAndEverythingMadeIsRecorded) {
    carry({file("a.jar", "A")}, "2", "a.jar;b.jar");
    EXPECT_EQ(internalError(8), shown(run()));
    std::vector<std::string> made = folders();
    ASSERT_EQ(1u, made.size());
    EXPECT_EQ("A", readFile(made[0] + "\\a.jar"));
    EXPECT_EQ(made[0] + "\\a.jar;" + made[0] + "\\b.jar;", tempRecord("delete_file"));
    EXPECT_EQ(made[0] + ";", tempRecord("delete_dir")) << "the folder is recorded too, after its files";
}

TEST_F(ExtractTest, ANameThatLeavesItsFolderOrIsNoFileOfItsOwnWritesNothing) {
    for (const char* name : {"lib\\a.jar", "..\\x.jar", "C:x.jar", "..", "AUX.jar", "x.jar.", "a.jar;A.JAR"}) {
        carry({file("a.jar", "A"), file("b.jar", "B")}, "2", name);
        EXPECT_EQ(internalError(11), shown(run())) << name;
        EXPECT_TRUE(folders().empty()) << name;
        EXPECT_FALSE(fileExists(tmp + "\\x.jar")) << name;
    }
}
