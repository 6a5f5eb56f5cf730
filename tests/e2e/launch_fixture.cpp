#include "launch_fixture.h"

const char MESSAGE_NO_JVM[] =
    "No JVM could be found on your system.\nPlease define TARVO_JAVA_HOME\nto point to an installed JDK or JRE.";

static const char TARVO_KEY[] = "SOFTWARE\\brannoc";

void LaunchTest::SetUp() {
    CreateDirectoryA(app.c_str(), nullptr);
    CreateDirectoryA(tmp.c_str(), nullptr);
    setEnv("TMP", tmp.c_str());
    setEnv("TEMP", tmp.c_str());
    for (const char* name : {"JAVA_HOME", "JDK_HOME", "TARVO_JAVA_HOME", "SELVADRIN_JAVA_HOME", "TARVO_SCRIPT"})
        setEnv(name, nullptr);
    deleteRegistryTree(TARVO_KEY);
}

void LaunchTest::TearDown() {
    deleteRegistryTree(TARVO_KEY);
    // Undone last first, so a variable set twice gets its original back.
    while (!env.empty()) env.pop_back();
}

void LaunchTest::setEnv(const char* name, const char* value) { env.emplace_back(new ScopedEnv(name, value)); }

void LaunchTest::configure(const std::vector<std::string>& lines) { makeLauncher(exe, lines); }

WatchReport LaunchTest::run(const std::string& args, WatchOptions options) {
    if (!fileExists(exe)) configure();
    options.commandLine = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    return watchProgram(options);
}

WatchReport LaunchTest::runWithStandIn(const std::string& script, const std::string& args, WatchOptions options) {
    if (!fileExists(exe)) configure();
    std::string standIn = app + "\\standin.exe";
    CopyFileA(buildPath("gui_standin_child.exe").c_str(), standIn.c_str(), FALSE);
    ScopedEnv steps("TARVO_SCRIPT", script.c_str());
    options.program = exe;
    options.commandLine = "\"" + standIn + "\"" + (args.empty() ? "" : " " + args);
    return watchProgram(options);
}

std::string LaunchTest::tempRecord(const char* value) {
    std::string data;
    readRegistryValue("SOFTWARE\\brannoc\\tarvo\\temp\\", value, &data);
    // The platform may hand a string back with a terminator that was never stored.
    while (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
}

unsigned exitOf(const WatchReport& report, const char* role) {
    const EndedProcess* p = report.byRole(role);
    EXPECT_TRUE(p && p->ended) << role << " did not end\n" << report.describe();
    return p && p->ended ? p->exitCode : 0xBAD;
}

unsigned endOf(const WatchReport& report, const char* role) {
    const EndedProcess* p = report.byRole(role);
    return p ? p->endedMs : 0;
}
