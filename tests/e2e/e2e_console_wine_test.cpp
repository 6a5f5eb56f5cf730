// A command-line tool: a launcher written for the console, as java.exe is.
// cmd waits for it and takes its code, its streams are the console's or the
// script's, Ctrl+C reaches the VM, and a failed start says why in text.
#include "launch_fixture.h"

namespace {

struct ConsoleTest : LaunchTest {
    std::string out = root / "out.txt";

    // cmd /c LINE, as a script runs it; the exit code is cmd's.
    WatchReport script(const std::string& line) {
        WatchOptions options;
        options.program = "C:\\windows\\system32\\cmd.exe";
        options.commandLine = "cmd /c \"" + line + "\"";
        return watchProgram(options);
    }

    // In a console of console_host's, which sends Ctrl+C once `marker`
    // exists; "+" in place of a screen file: no console, as Explorer starts it.
    WatchReport hosted(const std::string& screen, const std::string& marker = "") {
        setEnv("CTRL_C_WHEN", marker.empty() ? nullptr : marker.c_str());
        WatchOptions options;
        options.program = standinPath("console_host.exe");
        options.commandLine = "console_host \"" + screen + "\" \"" + exe + "\"";
        return watchProgram(options);
    }
};

}  // namespace

TEST_F(ConsoleTest, AScriptWaitsForTheToolAndHasItsInputOutputAndCode) {
    makeLauncher(exe, {"102=0"}, true);
    vmHome("readin\nstdout=after\\n\nstderr=to error\\n\nexit=3");
    WatchReport r = script("echo hello| \"" + exe + "\" > \"" + out + "\" 2>&1");
    EXPECT_EQ(3u, exitOf(r, "parent")) << r.describe();
    EXPECT_EQ("read: hello\nafter\nto error\n", readFile(out));
    EXPECT_TRUE(r.windows.empty()) << r.describe();

    // A failed start: its words on standard error, no box, and 1.
    setEnv("JAVA_HOME", (root / "nowhere").c_str());
    r = script("\"" + exe + "\" 2> \"" + out + "\"");
    EXPECT_EQ(1u, exitOf(r, "parent")) << r.describe();
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    std::string expected = MESSAGE_NO_JVM;
    for (size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2) expected.insert(at, "\r");
    EXPECT_EQ(expected + "\r\n", readFile(out));
}

TEST_F(ConsoleTest, AFailedStartsWordsReachStandardErrorInAsciiEvenWhereTheyGoToTheErrorLog) {
    makeLauncher(exe, {"102=1", "126=1.8", "148=1"}, true);
    std::string old = javaHome("jre6", "say=java version \"1.6.0_45\"\\n\n");
    setEnv("JAVA_HOME", old.c_str());
    WatchReport r = script("\"" + exe + "\" 2> \"" + out + "\"");
    EXPECT_EQ(1u, exitOf(r, "parent")) << r.describe();
    std::string expected = std::string(MESSAGE_NO_JVM) + "\n\nJava 1.6.0_45 in " + lowerCopy(old) + "\\ - older than 1.8\n";
    for (size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2) expected.insert(at, "\r");
    EXPECT_EQ(expected, readFile(out));
    EXPECT_EQ(expected, readFile(app + "\\error.log"));
}

TEST_F(ConsoleTest, CtrlCReachesTheVmWhoseShutdownHookRunsAndItsCodeEndsBoth) {
    std::string hook = root / "hook.txt", running = root / "running.txt";
    vmHome("ctrlhook=" + scriptText(hook) + "\ncmdline=" + scriptText(running) + "\nsleep=20000");
    // A tool, and a window program that passes its console on.
    for (bool tool : {true, false}) {
        DeleteFileA(hook.c_str());
        DeleteFileA(running.c_str());
        makeLauncher(exe, tool ? std::vector<std::string>{"102=0"} : std::vector<std::string>{"102=0", "154=1"}, tool);
        WatchReport r = hosted(root / "screen.txt", running);
        EXPECT_EQ(130u, exitOf(r, "parent")) << tool << r.describe();
        EXPECT_EQ("hook ran on event 0\n", readFile(hook)) << tool;
    }
}

TEST_F(ConsoleTest, StartedWithoutAConsoleAToolGetsOneOfItsOwn) {
    makeLauncher(exe, {"102=0"}, true);
    vmHome("hasconsole=" + scriptText(out));
    WatchReport r = hosted("+");
    EXPECT_EQ(0u, exitOf(r, "parent")) << r.describe();
    EXPECT_EQ("console", readFile(out));
}
