// Path functions against the real file system, and the launcher's own
// directory as a program started in different ways sees it.
#include <gtest/gtest.h>

#include "files/paths.h"
#include "files/text.h"
#include "config/state.h"
#include "testkit.h"

// The probe runs with command lines of our choosing and prints what the path
// functions make of its arguments.
namespace {

struct ProbeDirs : ::testing::Test {
    ScratchDir root{"paths"};
    std::string app = root / "Apps Demo";
    std::string other = root / "Elsewhere";
    void SetUp() override {
        CreateDirectoryA(app.c_str(), nullptr);
        CreateDirectoryA(other.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(buildPath("pathprobe.exe").c_str(), (app + "\\Probe.exe").c_str(), FALSE));
    }
};

}  // namespace

TEST_F(ProbeDirs, RelativeNamesFollowTheProgramNotTheCurrentDirectory) {
    std::string out = runCaptured("\"" + app + "\\Probe.exe\" .\\.\\Lib\\App.JAR ..\\x.jar D:\\Abs\\X.Jar", other);
    EXPECT_NE(std::string::npos, out.find("exe-dir=" + app + "\\\n")) << out;
    EXPECT_NE(std::string::npos, out.find("resolved=" + app + "\\.\\.\\Lib\\App.JAR\n")) << out;
    EXPECT_NE(std::string::npos, out.find("canonical=" + lowerCopy(app) + "\\lib\\app.jar\n")) << out;
    EXPECT_NE(std::string::npos, out.find("canonical=" + lowerCopy(root.path) + "\\x.jar\n")) << out;
    EXPECT_NE(std::string::npos, out.find("resolved=D:\\Abs\\X.Jar\ncanonical=d:\\abs\\x.jar\n")) << out;
}

TEST_F(ProbeDirs, ARelativeProgramNameIsTakenFromTheCurrentDirectory) {
    std::string exe = app + "\\Probe.exe";
    std::string out = runCaptured("\"Apps Demo\\Probe.exe\" lib\\a.jar", root.path, exe.c_str());
    EXPECT_NE(std::string::npos, out.find("canonical=" + lowerCopy(app) + "\\lib\\a.jar\n")) << out;
}

TEST(PathExists, FilesDirectoriesTrailingBackslashAndEmptyText) {
    ScratchDir dir("exists");
    std::string file = dir / "a.txt";
    writeFile(file, "x");
    FileTime t = {0, 0};
    EXPECT_TRUE(pathExists(file.c_str(), &t));
    EXPECT_NE(0u, t.low | t.high);
    EXPECT_TRUE(pathExists(dir.path.c_str()));
    EXPECT_FALSE(pathExists((dir.path + "\\").c_str()));
    EXPECT_FALSE(pathExists(""));
    EXPECT_FALSE(pathExists((dir / "missing").c_str()));
}

TEST(MakeTempFile, TwoCallsGiveTwoEmptyFilesOfTheExpectedShape) {
    char a[TEXT_CAP], b[TEXT_CAP], tmp[TEXT_CAP];
    makeTempFile(a);
    makeTempFile(b);
    GetTempPathA(sizeof tmp, tmp);
    ASSERT_STRNE("", a);
    EXPECT_STRNE(a, b);
    for (const char* p : {a, b}) {
        std::string s = p;
        EXPECT_EQ(0u, s.find(std::string(tmp) + "tvo")) << s;
        EXPECT_EQ(0, _stricmp(".tmp", s.substr(s.size() - 4).c_str())) << s;
        EXPECT_EQ("", readFile(s));
        DeleteFileA(p);
    }
}
