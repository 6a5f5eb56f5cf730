// The application's place on the taskbar, and a restart that it asks for
// with its exit code.
#include "launch_fixture.h"

TEST_F(LaunchTest, AnExitWithTheRestartCodeStartsTheApplicationAgainAsAFreshStart) {
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    LauncherPlan plan;
    // Under show_error_log = true, what the application writes once it is up
    // must not end the parent that waits to restart it.
    plan.strings = {{152, "5"}, {145, "0"}, {106, "1"}};
    plan.includeGiven = true;
    plan.included = {{"plugin.jar", {'v', '1'}}};
    makeLauncher(exe, plan);
    vmHome("comm=Q|\nstderr=a warning\\n\nexitonce=5\nsleep=300");
    WatchReport r = run("report.txt \"two words\"");
    EXPECT_EQ(0u, exitOf(r, "parent")) << r.describe();
    std::string record = vmRecord();
    EXPECT_EQ(2u, count(record, "CallStaticVoidMethod")) << record;
    EXPECT_EQ(2u, count(record, "element=two words\n")) << record;
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    // Each child its own communication file and included files.
    std::string text = readFile(trace);
    std::vector<std::string> starts;
    for (size_t at = 0; (at = text.find("parent: comm file ", at)) != std::string::npos; at += 18)
        starts.push_back(text.substr(at, text.find('\n', at) - at));
    ASSERT_EQ(2u, starts.size()) << text;
    EXPECT_NE(starts[0], starts[1]);
    EXPECT_EQ(std::string::npos, starts[1].find(starts[0].substr(starts[0].find(", included")))) << text;
}

TEST_F(LaunchTest, SixRestartsWithinAMinuteEndWithTheMessage) {
    configure({"152=5", "145=0"});
    vmHome("exit=5");
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("The application asked to be restarted 6 times within a minute.\nIt is not started again.",
              r.windows[0].text);
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_EQ(6u, count(vmRecord(), "CallStaticVoidMethod"));
}

TEST_F(LaunchTest, BothProcessesTakeTheProductsTaskbarIdentity) {
    // Wine sets the identifier but cannot read it back (E_NOTIMPL): the
    // trace tells what each process set.
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    configure({"151=Brannoc.OrvanDesk"});
    vmHome();
    EXPECT_EQ(0u, exitOf(run(), "child"));
    std::string text = readFile(trace);
    EXPECT_NE(std::string::npos, text.find("parent: taskbar identity Brannoc.OrvanDesk: set")) << text;
    EXPECT_NE(std::string::npos, text.find("child: taskbar identity Brannoc.OrvanDesk: set")) << text;
}

TEST_F(LaunchTest, StartedFromAConsoleTheApplicationWritesThereAndItsCodeIsTheParents) {
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    configure({"154=1", "102=0"});
    vmHome("stdout=out to the console\\n\nstderr=err to the console\\n\nexit=7");
    std::string shown = root / "console.txt";
    WatchOptions options;
    options.program = standinPath("console_host.exe");
    options.commandLine = "console_host \"" + shown + "\" \"" + exe + "\"";
    WatchReport r = watchProgram(options);
    EXPECT_EQ(7u, exitOf(r, "parent")) << r.describe() << readFile(trace);
    std::string text = readFile(shown);
    EXPECT_NE(std::string::npos, text.find("out to the console\nerr to the console\n")) << text;
    // Started from Explorer, with no console: an end with a code before the
    // application was up is said in a box, and the code is the parent's.
    options.commandLine = "console_host - \"" + exe + "\"";
    r = watchProgram(options);
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("The JVM could not be started.\n\nThe application ended with code 7 before it was ready.",
              r.windows[0].text);
    EXPECT_EQ(7u, exitOf(r, "child"));
}
