// Path functions against the real file system, and the launcher's own
// directory as a program started in different ways sees it.
#include <gtest/gtest.h>

#include "files/paths.h"
#include "files/text.h"
#include "launcher/state.h"
#include "testkit.h"

namespace {

// Runs the probe with a command line of our choosing and returns its output.
std::string probe(const std::string& commandLine, const std::string& cwd, const char* program = nullptr) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    CreatePipe(&readEnd, &writeEnd, &sa, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi;
    std::string line = commandLine;
    BOOL ok = CreateProcessA(program, &line[0], nullptr, nullptr, TRUE, 0, nullptr, cwd.c_str(), &si, &pi);
    CloseHandle(writeEnd);
    std::string out;
    if (ok) {
        char buf[4096];
        DWORD n;
        while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n) out.append(buf, n);
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(readEnd);
    for (size_t at; (at = out.find('\r')) != std::string::npos;) out.erase(at, 1);
    return out;
}

struct ProbeDirs : ::testing::Test {
    ScratchDir root{"paths"};
    std::string app = root / "Apps Demo";
    std::string other = root / "Elsewhere";
    void SetUp() override {
        CreateDirectoryA(app.c_str(), nullptr);
        CreateDirectoryA(other.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(buildPath("pathprobe.exe").c_str(), (app + "\\Probe.exe").c_str(), FALSE));
    }
    std::string lower(std::string s) {
        for (char& c : s) c = (char)tolower((unsigned char)c);
        return s;
    }
};

}  // namespace

TEST_F(ProbeDirs, RelativeNamesFollowTheProgramNotTheCurrentDirectory) {
    std::string out = probe("\"" + app + "\\Probe.exe\" .\\.\\Lib\\App.JAR ..\\x.jar D:\\Abs\\X.Jar", other);
    EXPECT_NE(std::string::npos, out.find("exe-dir=" + app + "\\\n")) << out;
    EXPECT_NE(std::string::npos, out.find("resolved=" + app + "\\.\\.\\Lib\\App.JAR\n")) << out;
    EXPECT_NE(std::string::npos, out.find("canonical=" + lower(app) + "\\lib\\app.jar\n")) << out;
    EXPECT_NE(std::string::npos, out.find("canonical=" + lower(root.path) + "\\x.jar\n")) << out;
    EXPECT_NE(std::string::npos, out.find("resolved=D:\\Abs\\X.Jar\ncanonical=d:\\abs\\x.jar\n")) << out;
}

TEST_F(ProbeDirs, ARelativeProgramNameIsTakenFromTheCurrentDirectory) {
    std::string exe = app + "\\Probe.exe";
    std::string out = probe("\"Apps Demo\\Probe.exe\" lib\\a.jar", root.path, exe.c_str());
    EXPECT_NE(std::string::npos, out.find("canonical=" + lower(app) + "\\lib\\a.jar\n")) << out;
}

TEST_F(ProbeDirs, AnUnclosedQuoteLeavesRelativePathsUnresolved) {
    // The program is found through the application name; its own command
    // line names no usable program.
    std::string exe = app + "\\Probe.exe";
    ScopedEnv path("PROBE_PATH", "lib\\a.jar");
    std::string out = probe("\"" + app + "\\Probe.exe lib\\a.jar", other, exe.c_str());
    EXPECT_NE(std::string::npos, out.find("exe-dir=\n")) << out;
    EXPECT_NE(std::string::npos, out.find("canonical=" + lower(other) + "\\lib\\a.jar\n")) << out;
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
