// Starting the application inside the stand-in VM, end to end.
#include "launch_fixture.h"

namespace {

std::vector<std::string> lines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line.substr(prefix.size()));
        at = end + 1;
    }
    return out;
}

using Lines = std::vector<std::string>;

std::string shown(const WatchReport& r) {
    EXPECT_EQ(1u, r.windows.size()) << r.describe();
    return r.windows.empty() ? "" : r.windows[0].text;
}

}  // namespace

TEST_F(LaunchTest, TheExampleConfigurationStartsItsMainClassWithItsOptions) {
    vmHome();
    FILETIME started;
    GetSystemTimeAsFileTime(&started);
    WatchReport r = run();
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_EQ(0u, exitOf(r, "child"));
    EXPECT_EQ(0u, exitOf(r, "parent"));
    std::string rec = vmRecord();
    EXPECT_EQ((Lines{"version=65538 nOptions=6 ignoreUnrecognized=0"}), lines(rec, "JNI_CreateJavaVM "));
    Lines options = lines(rec, "option=");
    ASSERT_EQ(3u, options.size()) << rec;
    EXPECT_EQ(0u, options[0].find("-Dtarvo.commFile=" + tmp + "\\tvo")) << options[0];
    EXPECT_EQ("-Djava.class.path=" + lowerCopy(app) + "\\orvanapi.jar", options[1]);
    EXPECT_EQ("-Dsun.java.command=Vuvudozid -cp .;orvanapi.jar", options[2]);
    // The VM is asked for the class versions it reads, before main is looked up.
    EXPECT_EQ((Lines{"Vuvudozid", "java/lang/System", "java/lang/String"}), lines(rec, "FindClass="));
    EXPECT_EQ((Lines{"getProperty (Ljava/lang/String;)Ljava/lang/String;", "main ([Ljava/lang/String;)V"}),
              lines(rec, "GetStaticMethodID="));
    EXPECT_EQ((Lines{"-cp", ".;orvanapi.jar"}), lines(rec, "element="));
    EXPECT_EQ(std::string::npos, rec.find("variadic form used"));
    EXPECT_NE(std::string::npos, rec.find("main-returned\nExceptionOccurred\nDetachCurrentThread\nDestroyJavaVM"))
        << rec;
    EXPECT_EQ(std::string::npos, rec.find("ExceptionDescribe"));

    Lines at = lines(rec, "main-at=");
    ASSERT_EQ(1u, at.size());
    uint64_t begin = ((uint64_t)started.dwHighDateTime << 32) | started.dwLowDateTime;
    double ms = (double)(std::stoull(at[0]) - begin) / 10000.0;
    RecordProperty("ms_from_start_to_main", std::to_string((int)ms));
    printf("from the launcher's start to main: %.0f ms\n", ms);
}

TEST_F(LaunchTest, AnApplicationWindowEndsTheParentWhileMainRuns) {
    vmHome("window\nsleep=2500");
    WatchReport r = run();
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_EQ(0u, exitOf(r, "child"));
    EXPECT_LT(endOf(r, "parent") + 1500, endOf(r, "child")) << r.describe();
    EXPECT_NE(std::string::npos, vmRecord().find("main-returned\nExceptionOccurred\nDetachCurrentThread"));
}

TEST_F(LaunchTest, UserWordsBecomeVmOptionsAndArgumentsOfMain) {
    struct Case {
        const char* args;
        Lines extraOptions;
        Lines mainWords;
    };
    // Split as java.exe's C runtime splits them, as callers quote them.
    for (const Case& c : {Case{"-J-Xmx256m -J-Dmode=a data.txt", {"-Xmx256m", "-Dmode=a"}, {"data.txt"}},
                          Case{"-J\"-Dtitle=a b\" x", {"-Dtitle=a b"}, {"x"}},
                          Case{"'it''s' \"a b\"c", {}, {"'it''s'", "a bc"}},
                          // ProcessBuilder's and Python's quoting of the word x "y" z.
                          Case{"\"x \\\"y\\\" z\" \"C:\\Dir\\\\\" \"\"", {}, {"x \"y\" z", "C:\\Dir\\", ""}},
                          // A document dropped onto the program, from a script with empty %2 %3.
                          Case{"-J-Da=1  C:\\Docs\\O'Brien.txt   ", {"-Da=1"}, {"C:\\Docs\\O'Brien.txt"}},
                          // The last word reaches main as Java's two surrogates.
                          Case{"Ünïcödé\t日本語 😀", {}, {"Ünïcödé", "日本語", "\xED\xA0\xBD\xED\xB8\x80"}}}) {
        vmHome();
        DeleteFileA((root / "vm\\bin\\client\\jvm.record").c_str());
        WatchReport r = run(c.args);
        EXPECT_EQ(0u, exitOf(r, "child")) << c.args;
        Lines options = lines(vmRecord(), "option=");
        ASSERT_EQ(3 + c.extraOptions.size(), options.size()) << c.args;
        EXPECT_EQ(c.extraOptions, Lines(options.begin() + 3, options.end())) << c.args;
        Lines words = {"-cp", ".;orvanapi.jar"};
        words.insert(words.end(), c.mainWords.begin(), c.mainWords.end());
        EXPECT_EQ(words, lines(vmRecord(), "element=")) << c.args;
    }
}

TEST_F(LaunchTest, MalformedConfiguredWordsAreWrongUsageBeforeOrAfterTheVmExists) {
    struct Case {
        const char* line;
        bool vmCreated;
    };
    // The user's words always split; the product's strings keep their rule.
    for (Case c : {Case{"123=-Da \"-Dx", false}, Case{"124=a 'open", true}}) {
        configure({c.line});
        vmHome();
        DeleteFileA((root / "vm\\bin\\client\\jvm.record").c_str());
        WatchReport r = run("\"open");
        EXPECT_EQ("Wrong Parameter Usage", shown(r)) << c.line;
        EXPECT_EQ(1u, exitOf(r, "child"));
        std::string rec = vmRecord();
        EXPECT_EQ(c.vmCreated, rec.find("JNI_CreateJavaVM") != std::string::npos) << c.line << "\n" << rec;
        if (c.vmCreated) {
            EXPECT_NE(std::string::npos, rec.find("GetStaticMethodID")) << "reported after main was found";
            EXPECT_EQ(std::string::npos, rec.find("NewObjectArray"));
        }
    }
    // A -J with no option behind it, as the reference says.
    configure();
    DeleteFileA((root / "vm\\bin\\client\\jvm.record").c_str());
    WatchReport r = run("-J report.txt");
    EXPECT_EQ("Wrong Parameter Usage", shown(r));
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_EQ(std::string::npos, vmRecord().find("JNI_CreateJavaVM"));
}

TEST_F(LaunchTest, AVmThatCannotStartGivesTheMessageOfItsSource) {
    for (const char* script : {"create=-1", ""}) {
        vmHome(script, *script ? "lib_jvm_standin.dll" : "lib_jvm_noexport.dll");
        EXPECT_EQ(message1007("JAVA_HOME"), shown(run())) << script;
    }
    // One without any VM library is no Java at all: the search goes on.
    std::string home = javaHome("nolibrary", "", false, true, false);
    setEnv("JAVA_HOME", home.c_str());
    EXPECT_EQ(MESSAGE_NO_JVM, shown(run()));
}

TEST_F(LaunchTest, AMainClassIsLookedUpByItsInternalName) {
    configure({"122=com.example.App$Inner"});
    vmHome();
    run();
    EXPECT_NE(std::string::npos, vmRecord().find("FindClass=com/example/App$Inner\n"));
}

TEST_F(LaunchTest, BrokenArraysStopTheChildWithAnAssertion) {
    vmHome("nullarray");
    EXPECT_NE(std::string::npos, shown(run()).find("paramArray"));
    vmHome("nullstring");
    EXPECT_NE(std::string::npos, shown(run()).find("jstr"));
}

TEST_F(LaunchTest, AnExceptionInMainShowsTheStackTraceInTheParent) {
    const std::string trace = "Exception in thread \"main\" java.lang.IllegalStateException: boom\r\n"
                              "\tat Vuvudozid.main(Vuvudozid.java:3)\r\n";
    configure({"145=0"});
    vmHome("throw=Exception in thread \"main\" java.lang.IllegalStateException: boom\\r\\n"
           "\\tat Vuvudozid.main(Vuvudozid.java:3)\\r\\n");
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("parent", r.processes[r.windows[0].process].role);
    EXPECT_EQ(trace, r.windows[0].editText);
    // As under java.exe, whose main left an exception.
    EXPECT_EQ(1u, exitOf(r, "child"));
    EXPECT_EQ(1u, exitOf(r, "parent"));
    EXPECT_NE(std::string::npos, vmRecord().find("DetachCurrentThread\ndefault handler\nDestroyJavaVM"));
}

TEST_F(LaunchTest, ClassPathEntriesOfEachKind) {
    std::string lib = app + "\\lib";
    CreateDirectoryA(lib.c_str(), nullptr);
    for (const char* f : {"a.jar", "b.zip", "c.txt"}) writeFile(lib + "\\" + f, "x");
    setEnv("EXTRA_CP", "C:\\Extra\\x.jar;");
    configure({"121=S0lib;E0EXTRA_CP;E0UNDEFINED_CP;X1nothing;D0Classes;A0C:\\Abs\\Y.JAR;A0C:/Fwd/Z.jar;"});
    vmHome();
    run();
    Lines options = lines(vmRecord(), "option=");
    ASSERT_EQ(3u, options.size()) << vmRecord();
    std::string l = lowerCopy(app);
    // No quote and no empty entry: an application reads each entry as a path.
    EXPECT_EQ("-Djava.class.path=" + l + "\\lib\\a.jar;" + l + "\\lib\\b.zip;C:\\Extra\\x.jar;" + l +
                  "\\classes;c:\\abs\\y.jar;c:\\fwd\\z.jar",
              options[1]);

    configure({"121=A1.\\missing.jar;"});
    EXPECT_EQ("File or directory " + app + "\\missing.jar not found or empty\n", shown(run()));
    configure({"121=S1nodir;"});
    EXPECT_EQ("File or directory " + app + "\\nodir not found or empty\n", shown(run()));
    configure({"121=E1UNDEFINED_CP;"});
    EXPECT_EQ("The environment variable UNDEFINED_CP has to be defined", shown(run()));
}

TEST_F(LaunchTest, ALongClassPathGrowsToFit) {
    std::string value = "C:\\" + std::string(9000, 'c') + ".jar";
    setEnv("LONG_CP", value.c_str());
    configure({"121=E1LONG_CP;"});
    vmHome();
    run();
    Lines options = lines(vmRecord(), "option=");
    ASSERT_EQ(3u, options.size());
    EXPECT_TRUE("-Djava.class.path=" + value == options[1]) << options[1].size();
}

TEST_F(LaunchTest, TheApplicationsRecordsReachTheParent) {
    configure({"145=0"});
    vmHome("comm=Mtext|\nsleep=300\ncomm=Q|\nsleep=2500");
    WatchReport r = run();
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_EQ(0u, exitOf(r, "child"));
    EXPECT_LT(endOf(r, "parent") + 1500, endOf(r, "child")) << r.describe();
}
