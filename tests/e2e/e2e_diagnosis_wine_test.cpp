// When Java cannot be started, the user reads why, and support staff can
// ask for a trace of the whole start.
#include "launch_fixture.h"

namespace {

const char DASH[] = " \xE2\x80\x94 ";

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

std::string bits(bool foreign) {
    bool x86 = testingX86() != foreign;
    return x86 ? "32-bit" : "64-bit";
}

}  // namespace

TEST_F(LaunchTest, RegistryJavasOutsideTheBoundsAreListedByTheirKeysWithoutAProbe) {
    std::string log = root / "probes.txt";
    setEnv("JAVA_STANDIN_LOG", log.c_str());
    std::string home = javaHome("jdk11", "say=java version \"11.0.2\"\\n\n");
    writeRegistryValue("SOFTWARE\\JavaSoft\\JDK\\11.0.2", "JavaHome", REG_SZ, home);
    configure({"126=17", "148=1"});
    EXPECT_EQ(std::string(MESSAGE_NO_JVM) + "\n\nJava 11.0.2 in " + lowerCopy(home) + "\\" + DASH + "older than 17",
              shown(run()));
    EXPECT_EQ("", readFile(log));
}

TEST_F(LaunchTest, TheNoJavaMessageListsWhatTheSearchFoundAndWhyEachWasRefused) {
    std::string wrongBits = modernHome("jdk-17", false, "17.0.9", true);
    std::string old = javaHome("jre6", "say=java version \"1.6.0_45\"\\n\n");
    setEnv("JAVA_HOME", wrongBits.c_str());
    setEnv("JDK_HOME", old.c_str());
    configure({"126=1.8", "148=1"});
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    // Every Java was of the wrong kind: the message leads with what is needed.
    const std::string& text = r.windows[0].text;
    EXPECT_EQ(0u, text.find("Java 17.0.9 (" + bits(true) + ") was found in\n")) << text;
    std::string report = "\nbut this program needs a " + bits(false) + " Java.\n\n" + "Java 17.0.9 in " +
                         lowerCopy(wrongBits) + "\\" + DASH + bits(true) + ", this program needs " + bits(false) +
                         "\n" + "Java 1.6.0_45 in " + lowerCopy(old) + "\\" + DASH + "older than 1.8";
    EXPECT_EQ(text.size() - report.size(), text.find(report)) << text;

    // A Java that is broken may be the one meant: the plain message leads.
    std::string broken = javaHome("jre8", "say=java version \"1.8.0_392\"\\n\n", false, false);
    setEnv("JDK_HOME", broken.c_str());
    EXPECT_EQ(0u, shown(run()).find(std::string(MESSAGE_NO_JVM) + "\n\nJava 17.0.9 in "));
}

TEST_F(LaunchTest, AVmThatCannotLoadNamesTheDllItMisses) {
    std::string home = vmHome("", "lib_jvm_missing.dll");
    configure({"148=1"});
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    const std::string& text = r.windows[0].text;
    EXPECT_EQ(0u, text.find(message1007("JAVA_HOME") + "\n\njvm.dll could not be loaded: ")) << text;
    EXPECT_NE(std::string::npos, text.find("\njvm.dll needs lib_nowhere.dll, which is neither in " +
                                           lowerCopy(home) + "\\bin\\ nor in the system folder.\n\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find(DASH + std::string("chosen"))) << text;
}

TEST_F(LaunchTest, ATraceFollowsBothProcessesInOrderAndStaysUnderItsCap) {
    std::string trace = root / "trace.txt";
    setEnv("TARVO_TRACE", trace.c_str());
    // 40,000 status records, sent a thousand at a time, well past the cap.
    std::string script;
    for (int part = 0; part < 40; ++part) {
        script += "comm=";
        for (int i = 0; i < 1000; ++i) script += "Mflood " + std::to_string(part * 1000 + i) + "|";
        script += "\nsleep=20\n";
    }
    // The application lives on, so that the parent reads every record before it ends.
    WatchReport r = runApplication(script + "sleep=2000");
    EXPECT_EQ(0u, exitOf(r, "child"));
    EXPECT_EQ(0u, exitOf(r, "parent")) << r.describe();
    std::string text = readFile(trace);
    EXPECT_LE(text.size(), 1024u * 1024u);
    size_t last = 0;
    for (const char* step : {"parent: started", "parent: clean-up of earlier runs done", "parent: comm file ",
                             "parent: child line ", "child: started with ", "search step E JAVA_HOME",
                             "(probe): accepted", "child: VM option -Djava.class.path=",
                             "child: JNI_CreateJavaVM answered 0", "parent: record M flood 0"}) {
        size_t at = text.find(step);
        EXPECT_NE(std::string::npos, at) << step << "\n" << text.substr(0, 3000);
        EXPECT_LE(last, at) << step << " came out of order";
        if (at != std::string::npos) last = at;
    }
    EXPECT_NE(std::string::npos, text.find("(the trace of this process stops here: it reached its cap)"))
        << text.size() << " bytes, ending " << text.substr(text.size() > 400 ? text.size() - 400 : 0);
}
