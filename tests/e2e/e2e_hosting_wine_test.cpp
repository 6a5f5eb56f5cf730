// The application runs in the launcher's process as java.exe would run it:
// the process's settings, the thread of main, the end of main, and what the
// VM says when it dies in its start.
#include "launch_fixture.h"

namespace {

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

std::vector<std::string> recorded(const std::string& record, const std::string& prefix) {
    std::vector<std::string> out;
    for (size_t at = 0; (at = record.find("\n" + prefix, at)) != std::string::npos;) {
        at += 1 + prefix.size();
        out.push_back(record.substr(at, record.find('\n', at) - at));
    }
    return out;
}

}  // namespace

TEST_F(LaunchTest, AJava17RunsAsJavaExeRunsIt) {
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    // Two-word module options as java.exe takes them, and one of its own.
    setEnv("JDK_JAVA_OPTIONS", "-Dfrom=env stray --add-opens java.base/java.lang=ALL-UNNAMED -server");
    configure({"123=-Dproduct=1"});
    std::string home = vmHome("defaultstack=1048576");
    writeFile(home + "\\release", "JAVA_VERSION=\"17.0.9\"\n");
    WatchReport r = run("-J-Xss8m report.txt");
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::string record = "\n" + vmRecord();
    std::vector<std::string> options = recorded(record, "option=");
    ASSERT_EQ(7u, options.size()) << record;
    EXPECT_EQ((std::vector<std::string>{"-Dsun.java.command=Vuvudozid -cp .;orvanapi.jar report.txt", "-Dproduct=1",
                                        "-Dfrom=env", "--add-opens=java.base/java.lang=ALL-UNNAMED", "-Xss8m"}),
              std::vector<std::string>(options.begin() + 2, options.end()));
    EXPECT_EQ((std::vector<std::string>{"vfprintf", "exit", "abort"}), recorded(record, "hook="));
    // main runs on a thread of its own, as large as -Xss asks.
    EXPECT_EQ((std::vector<std::string>{"0"}), recorded(record, "on-loading-thread="));
    EXPECT_EQ((std::vector<std::string>{"8388608"}), recorded(record, "stack-reserve="));
    // The system's code page, as java.exe has it: no manifest of ours changes it.
    EXPECT_EQ((std::vector<std::string>{std::to_string(GetACP())}), recorded(record, "acp="));
    // The VM stays loaded: it cannot be unloaded.
    EXPECT_EQ(std::string::npos, record.find("unloaded")) << record;
    std::string text = readFile(trace);
    EXPECT_NE(std::string::npos, text.find("child: DPI awareness per-monitor v2 for Java 17.0.9")) << text;
    EXPECT_NE(std::string::npos, text.find("child: VM option -Dfrom=env (JDK_JAVA_OPTIONS)")) << text;
    EXPECT_NE(std::string::npos, text.find("child: VM option -Xss8m (-J)")) << text;

    // A Java 8 reads no JDK_JAVA_OPTIONS, is system-aware, and main's thread
    // takes the VM's default stack.
    DeleteFileA(trace.c_str());
    writeFile(home + "\\release", "JAVA_VERSION=\"1.8.0_392\"\n");
    deleteRegistryTree("SOFTWARE\\brannoc");
    DeleteFileA((home + "\\bin\\client\\jvm.record").c_str());
    EXPECT_EQ(0u, exitOf(run(), "child"));
    record = "\n" + vmRecord();
    EXPECT_EQ(std::string::npos, record.find("-Dfrom=env")) << record;
    EXPECT_EQ((std::vector<std::string>{"1048576"}), recorded(record, "stack-reserve="));
    EXPECT_NE(std::string::npos, readFile(trace).find("child: DPI awareness system for Java 1.8.0_392"))
        << readFile(trace);
}

TEST_F(LaunchTest, AnExceptionOutOfMainReachesTheApplicationsHandler) {
    configure({"145=0"});
    vmHome("handler=Reported by the application's handler\\r\\n\nthrow=Exception in thread \"main\" boom\\r\\n");
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("Reported by the application's handler\r\n", r.windows[0].editText);
    EXPECT_EQ(1u, exitOf(r, "child"));
    std::string record = vmRecord();
    EXPECT_EQ(std::string::npos, record.find("ExceptionDescribe")) << record;
    // Its words are taken by the static route, and the same exception thrown
    // again for the handler.
    // Whether the VM prints it as the thread detaches is looked up, not called.
    EXPECT_NE(std::string::npos, record.find("CallStaticObjectMethodA\nReleaseStringUTFChars\nExceptionClear\n"
                                             "FindClass=java/lang/Thread\nGetMethodID=dispatchUncaughtException\n"
                                             "ExceptionClear\nThrow"))
        << record;
    EXPECT_NE(std::string::npos, record.find("DetachCurrentThread\napplication's handler\nDestroyJavaVM")) << record;
}

TEST_F(LaunchTest, AVmThatDiesInItsStartIsHeardInItsOwnWords) {
    const std::string words = "Error occurred during initialization of VM\nCould not reserve enough space for "
                              "object heap";
    for (const char* end : {"vmabort", "vmexit=1", "create=-1"}) {
        vmHome("vmsay=Error occurred during initialization of VM\\nCould not reserve enough space for object heap\n" +
               std::string(end));
        WatchReport r = run("-J-Xmx1g");
        EXPECT_EQ(message1007("JAVA_HOME") + "\n\n" + words, shown(r)) << end;
        EXPECT_EQ(1u, exitOf(r, "child")) << end;
    }
    // A VM that ends the process past its hooks is no silent success: the
    // parent names the options files it was given.
    writeFile(app + "\\launch.vmoptions", "-Xmx1g\n");
    vmHome("vmdie=0");
    WatchReport r = run();
    EXPECT_EQ("The JVM could not be started.\n\nOptions were added from\n" + app + "\\launch.vmoptions", shown(r));
    EXPECT_EQ(1u, exitOf(r, "parent"));
    DeleteFileA((app + "\\launch.vmoptions").c_str());
    // After main has started, System.exit ends the process with its code.
    vmHome("exit=7");
    EXPECT_EQ(7u, exitOf(run(), "child"));
    EXPECT_NE(std::string::npos, vmRecord().find("exit=7 through the hook"));
}

TEST_F(LaunchTest, AMainClassThatCannotBeLoadedSaysWhyAndWhichJava) {
    const char* why = "java.lang.UnsupportedClassVersionError: Vuvudozid has been compiled by a more recent "
                      "version of the Java Runtime (class file version 61.0), this version of the Java Runtime "
                      "only recognizes class file versions up to 52.0";
    std::string home = vmHome(std::string("noclass=") + why);
    writeFile(home + "\\release", "JAVA_VERSION=\"1.8.0_392\"\n");
    EXPECT_EQ("Orvan Desk needs Java 17 or newer.\nInstall it, then start Orvan Desk again.\n\n" + std::string(why) +
                  "\nJava 1.8.0_392 in " + lowerCopy(home) + "\\",
              shown(run()));
    vmHome("nomain=java.lang.NoSuchMethodError: main");
    EXPECT_EQ(0u, shown(run()).find("Main method not found.\n\njava.lang.NoSuchMethodError: main\nJava 1.8.0_392 in "));
}

TEST_F(LaunchTest, TheVmsOwnOutputReachesTheOutputLogWholeAndInOrder) {
    configure({"104=1", "106=0"});
    std::string dump(3000, 'd');
    vmHome("vmout=[gc] first\nvmsay=a warning\nvmout=" + dump + "\nstdout=from main\\n");
    WatchReport r = run();
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    EXPECT_EQ("[gc] first\n" + dump + "\nfrom main\n", readFile(app + "\\output.log"));
    EXPECT_EQ("a warning\n", readFile(app + "\\error.log"));
}
