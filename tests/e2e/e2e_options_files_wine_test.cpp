// VM options that administrators and users set in files, in layers that
// replace the product's, and the heap as a share of memory.
#include "launch_fixture.h"

#include <cstring>

namespace {

std::vector<std::string> vmOptions(const std::string& record) {
    std::vector<std::string> out;
    for (size_t at = 0; (at = record.find("\noption=", at)) != std::string::npos;) {
        at += 8;
        out.push_back(record.substr(at, record.find('\n', at) - at));
    }
    return out;
}

struct OptionsTest : LaunchTest {
    std::string roaming = root / "Roaming";
    std::string userFile = roaming + "\\Orvan Desk\\launch.vmoptions";
    void SetUp() override {
        LaunchTest::SetUp();
        userFolder("APPDATA", roaming);
        CreateDirectoryA((roaming + "\\Orvan Desk").c_str(), nullptr);
    }
    // The options after the launcher's own three.
    std::vector<std::string> layered() {
        std::vector<std::string> all = vmOptions("\n" + vmRecord());
        return all.size() > 3 ? std::vector<std::string>(all.begin() + 3, all.end()) : std::vector<std::string>();
    }
};

}  // namespace

TEST_F(OptionsTest, TheMachinesAndTheUsersFilesReplaceTheProductsOptions) {
    configure({"123=-Xmx512m -Dproxy=product -XX:+UseSerialGC -Dkeep=1", "150=1"});
    setEnv("DATA_ROOT", "D:\\Data");
    // As an installer writes it: a byte-order mark, CR LF, a comment.
    writeFile(app + "\\launch.vmoptions",
              "\xEF\xBB\xBF# set by the administrator\r\n-Dproxy=machine\r\n\r\n-XX:+UseG1GC\r\n-Dhome=%DATA_ROOT%\\x\r\n");
    writeFile(userFile, "-Xmx2g\n  -Dreport.title=Monthly report  \n-Dcache=%APPDATA%\\c\n-Dodd=%UNDEFINED%\n");
    vmHome();
    EXPECT_EQ(0u, exitOf(run("-J-Dproxy=command"), "child"));
    EXPECT_EQ((std::vector<std::string>{"-Dkeep=1", "-XX:+UseG1GC", "-Dhome=D:\\Data\\x", "-Xmx2g",
                                        "-Dreport.title=Monthly report", "-Dcache=" + roaming + "\\c",
                                        "-Dodd=%UNDEFINED%", "-Dproxy=command"}),
              layered());

    // Where the product does not allow it, the user's file is not read.
    configure({"123=-Xmx512m"});
    DeleteFileA((root / "vm\\bin\\client\\jvm.record").c_str());
    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_EQ((std::vector<std::string>{"-Xmx512m", "-Dproxy=machine", "-XX:+UseG1GC", "-Dhome=D:\\Data\\x"}), layered());
}

TEST_F(OptionsTest, AWindowLauncherAndItsConsoleTwinReadTheProductsFiles) {
    // As the builder writes both from one project: its name names the files.
    // (The others here read launch.vmoptions, named after the executable,
    // where the product's file is not there.)
    std::string twin = app + "\\launchc.exe";
    configure({"150=1", "160=Orvan Desk"});
    makeLauncher(twin, {"150=1", "160=Orvan Desk", "102=0"}, true);
    writeFile(app + "\\Orvan Desk.vmoptions", "-Dmachine=1\n");
    writeFile(roaming + "\\Orvan Desk\\Orvan Desk.vmoptions", "-Duser=1\n");
    vmHome();
    EXPECT_EQ(0u, exitOf(run(), "child"));
    EXPECT_EQ((std::vector<std::string>{"-Dmachine=1", "-Duser=1"}), layered());
    DeleteFileA((root / "vm\\bin\\client\\jvm.record").c_str());
    WatchReport r = runScript("\"" + twin + "\"");
    EXPECT_EQ(0u, exitOf(r, "parent")) << r.describe();
    EXPECT_EQ((std::vector<std::string>{"-Dmachine=1", "-Duser=1"}), layered());
}

TEST_F(OptionsTest, ABrokenFileIsNamedWithItsLineAndNothingStarts) {
    writeFile(app + "\\launch.vmoptions", "-Xmx1g\n-Dname=\xFF\n");
    vmHome();
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_NE(std::string::npos,
              r.windows[0].text.find("launch.vmoptions\ncannot be used: line 2: the line is not UTF-8.\nPlease mend or "
                                     "remove it."))
        << r.windows[0].text;
    EXPECT_EQ(std::string::npos, vmRecord().find("JNI_CreateJavaVM")) << "no VM with half a file";

    // The user's own file asks: No ends the start with 1, Yes starts
    // without that file (the administrator's still counts).
    configure({"150=1"});
    writeFile(app + "\\launch.vmoptions", "-Dproxy=machine\n");
    writeFile(userFile, "-Xmx2g\n-Xmx150%\n");
    for (int answer : {IDNO, IDYES}) {
        WatchOptions press;
        press.closeBy = CloseBy::Never;
        press.eachPoll = [answer](WatchReport& seen, unsigned) {
            for (const SeenWindow& w : seen.windows)
                if (IsWindow((HWND)w.handle)) PostMessageA(GetDlgItem((HWND)w.handle, answer), BM_CLICK, 0, 0);
        };
        DeleteFileA((root / "vm\\bin\\client\\jvm.record").c_str());
        WatchReport asked = run("", press);
        ASSERT_EQ(1u, asked.windows.size()) << asked.describe();
        EXPECT_NE(std::string::npos, asked.windows[0].text.find(userFile + "\ncannot be used: line 2: a share of memory for the heap "))
            << asked.windows[0].text;
        EXPECT_NE(std::string::npos, asked.windows[0].text.find("\n\nStart Orvan Desk without the options of this "
                                                                "file now?"))
            << asked.windows[0].text;
        EXPECT_EQ(answer == IDYES ? 0u : 1u, exitOf(asked, "parent")) << asked.describe();
        EXPECT_EQ(answer == IDYES ? 0u : 1u, exitOf(asked, "child"));
        if (answer == IDYES) EXPECT_EQ((std::vector<std::string>{"-Dproxy=machine"}), layered());
        else EXPECT_EQ(std::string::npos, vmRecord().find("JNI_CreateJavaVM"));
    }
}

TEST_F(OptionsTest, TheHeapAsAShareOfMemory) {
    configure({"150=1"});
    writeFile(userFile, "-Xmx90%\n");
    vmHome();
    EXPECT_EQ(0u, exitOf(run(), "child"));
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    unsigned long long mb = status.ullTotalPhys / 100 * 90 / (1024 * 1024);
    // A 32-bit VM reserves at most about 1,200 MB on a 64-bit Windows.
    const char* arch = getenv("TARVO_ARCH");
    if (arch && strcmp(arch, "x86") == 0 && mb > 1200) mb = 1200;
    EXPECT_EQ((std::vector<std::string>{"-Xmx" + std::to_string(mb) + "m"}), layered());
}

TEST_F(OptionsTest, AVmThatRefusesAFilesOptionsNamesTheFile) {
    configure({"150=1"});
    writeFile(userFile, "-Xmx8g\n");
    vmHome("vmsay=Error occurred during initialization of VM\\nCould not reserve enough space for object heap\n"
           "vmabort");
    WatchReport r = run();
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_NE(std::string::npos, r.windows[0].text.find("Could not reserve enough space for object heap\n\n"
                                                        "Options were added from\n" + userFile))
        << r.windows[0].text;
}
