// Runs real launchers as a user would, each in its own folder, with its own
// temporary folder and a clean machine-wide registry state.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "testkit.h"
#include "watch.h"

extern const char MESSAGE_NO_JVM[];

struct LaunchTest : ::testing::Test {
    ScratchDir root{"e2e"};
    std::string app = root / "Apps Demo";
    std::string tmp = root / "tmp";
    std::string exe = app + "\\launch.exe";
    std::vector<std::unique_ptr<ScopedEnv>> env;

    void SetUp() override;
    void TearDown() override;
    void setEnv(const char* name, const char* value);
    // Makes `folder` and lets it stand as the user's %variable%.
    void userFolder(const char* variable, const std::string& folder);
    // Configures app\launch.exe from the template.
    void configure(const std::vector<std::string>& lines = {});
    WatchReport run(const std::string& args = "", WatchOptions options = {});
    // Runs the launcher with the stand-in VM under JAVA_HOME, whose
    // application acts out the script while its main runs.
    WatchReport runApplication(const std::string& script, const std::string& args = "", WatchOptions options = {});
    std::string tempRecord(const char* value = "delete_file");

    // A Java home with the stand-in java.exe in bin (or jre\bin), a javaw.exe
    // beside it unless told otherwise, and the given script; its VM library
    // (in bin\client, unless told otherwise) loads but cannot create a VM.
    std::string javaHome(const std::string& name, const std::string& script = "", bool inJre = false,
                         bool withJavaw = true, bool withVm = true);
    // A Java home whose bin\client holds the stand-in VM library (or the
    // given library) with the given script; JAVA_HOME points to it.
    std::string vmHome(const std::string& jvmScript = "", const char* library = "lib_jvm_standin.dll");
    // What the stand-in VM recorded, one entry a line.
    std::string vmRecord();

    // A Java home as installers lay it out today, with its VM in
    // server\jvm.dll and, unless version is empty, a release file:
    //   jdk8:  jre\bin\java.exe, jre\bin\server\jvm.dll;
    //   jdk17: bin\java.exe, bin\server\jvm.dll and the runtime DLL that
    //          VM imports, in bin alone.
    // `foreign` builds it for the other architecture than the launcher's;
    // `banner` scripts what its java.exe prints.
    std::string modernHome(const std::string& name, bool jdk8, const std::string& version, bool foreign = false,
                           const std::string& banner = "");
    std::string modernVmRecord(const std::string& home);
    // How often the stand-in in that bin folder ran.
    int javaRuns(const std::string& binDir);
};

std::string message1007(const std::string& variable);
std::string message1008(const std::string& path);

// Exit code and end time of a role, failing the test when it did not end.
unsigned exitOf(const WatchReport& report, const char* role);
unsigned endOf(const WatchReport& report, const char* role);
// The parent ended with or after the child; the harness sees both ends in
// the same poll at the earliest, so a few milliseconds either way are one.
bool parentWaitedForChild(const WatchReport& report);
// A path as a stand-in's script takes it: its backslashes escaped.
std::string scriptText(const std::string& path);
// cmd /c LINE, as a script runs it; the parent's code is cmd's.
WatchReport runScript(const std::string& line);
// A file's text with its carriage returns dropped: a real VM's lines end
// as under its own java.exe (\r\r\n), and only the order is ours.
std::string textLines(const std::string& path);
// How often `what` stands in `text`.
size_t count(const std::string& text, const std::string& what);
