// The parent's watch over its child, against the stand-in VM's scripted
// application.
#include "launch_fixture.h"

// A path in a stand-in's script, where a backslash starts an escape.

TEST_F(LaunchTest, TheChildReceivesTheExactChildModeLine) {
    std::string seen = root / "cmdline.txt";
    std::string args = "-J-Xmx1m \"quoted words\" two blanks \xC3\xA4\xC3\xB6\xC3\xBC 'single'";
    WatchReport r = runApplication("cmdline=" + scriptText(seen), args);
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_EQ(0u, exitOf(r, "child")) << r.describe();
    std::string line = readFile(seen);
    std::string start = "\"" + exe + "\" __tarvo_load_appl '" + tmp + "\\tvo";
    EXPECT_EQ(0u, line.find(start)) << line;
    // Behind the folder, the parent's handle and the count of -J words.
    size_t gap = line.find(".tmp' '' '");
    ASSERT_NE(std::string::npos, gap) << line;
    size_t words = line.find("' '1' ", gap + 10);
    ASSERT_NE(std::string::npos, words) << line;
    EXPECT_EQ(args, line.substr(words + 6));
}

TEST_F(LaunchTest, AnArgumentOfTenThousandCharactersReachesTheChildWhole) {
    std::string seen = root / "cmdline.txt";
    std::string args = "x" + std::string(10000, 'a') + "z";
    WatchReport r = runApplication("cmdline=" + scriptText(seen), args);
    EXPECT_EQ(0u, exitOf(r, "parent"));
    std::string line = readFile(seen);
    ASSERT_GT(line.size(), args.size());
    EXPECT_EQ(args, line.substr(line.size() - args.size()));
}

TEST_F(LaunchTest, AQuitRecordEndsTheParentWhileTheChildRuns) {
    WatchReport r = runApplication("comm=Mloading|\ncomm=Q|Mlater|\nsleep=3000");
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_EQ(0u, exitOf(r, "child"));
    EXPECT_LT(endOf(r, "parent") + 1500, endOf(r, "child")) << r.describe();
}

TEST_F(LaunchTest, ARecordSplitAcrossTicksCountsOnceComplete) {
    WatchReport r = runApplication("comm=Mhal\nsleep=400\ncomm=f|Q\nsleep=400\ncomm=|\nsleep=3000");
    EXPECT_EQ(0u, exitOf(r, "parent"));
    unsigned quitAfter = endOf(r, "parent");
    EXPECT_GE(quitAfter, 700u) << r.describe();
    EXPECT_LT(quitAfter + 1500, endOf(r, "child")) << r.describe();
}

TEST_F(LaunchTest, AZeroByteHidesEveryLaterRecord) {
    WatchReport r = runApplication("commhex=4D61007C517C\nsleep=1200");
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_TRUE(parentWaitedForChild(r)) << "Q behind a zero byte must not act\n" << r.describe();
    EXPECT_GE(endOf(r, "parent"), 1000u) << r.describe();
}

TEST_F(LaunchTest, AVisibleWindowEndsTheParentOnlyWhenConfigured) {
    WatchReport closeOnWindow = runApplication("sleep=300\nwindow\nsleep=3000");
    EXPECT_EQ(0u, exitOf(closeOnWindow, "parent"));
    EXPECT_LT(endOf(closeOnWindow, "parent") + 1500, endOf(closeOnWindow, "child")) << closeOnWindow.describe();

    configure({"145=0"});
    WatchReport waits = runApplication("sleep=300\nwindow\nsleep=1500");
    EXPECT_EQ(0u, exitOf(waits, "parent"));
    EXPECT_TRUE(parentWaitedForChild(waits)) << waits.describe();
}

TEST_F(LaunchTest, AChildEndingWithCode259IsStillSeenAsEnded) {
    configure({"145=0", "106=0"});
    WatchReport r = runApplication("exit=259");
    EXPECT_EQ(259u, exitOf(r, "child"));
    EXPECT_EQ(259u, exitOf(r, "parent"));
    EXPECT_LT(endOf(r, "parent"), 5000u) << r.describe();
}

TEST_F(LaunchTest, ErrorOutputOpensTheDialogWithTheLogAsWrittenAndEndsTheParentWithOne) {
    const std::string log = "Exception in thread \"main\" java.lang.Error: boom\r\n\tat Vuvudozid.main\nlast line";
    for (CloseBy how : {CloseBy::Button, CloseBy::Escape, CloseBy::CloseBox}) {
        WatchOptions options;
        options.closeBy = how;
        WatchReport r = runApplication(
            "stderr=Exception in thread \"main\" java.lang.Error: boom\\r\\n\\tat Vuvudozid.main\\nlast line\n"
            "sleep=1500",
            "", options);
        ASSERT_EQ(1u, r.windows.size()) << r.describe();
        const SeenWindow& dialog = r.windows[0];
        EXPECT_EQ("parent", r.processes[dialog.process].role);
        EXPECT_EQ("Error", dialog.title);
        EXPECT_EQ("An error occured while starting up Orvan Desk:", dialog.text);
        EXPECT_EQ(log, dialog.editText);
        EXPECT_EQ(1u, exitOf(r, "parent"));
        EXPECT_EQ(0u, exitOf(r, "child"));
        EXPECT_EQ(log, readFile(app + "\\error.log"));
    }
    // The line above the log names the product, whatever the template's example.
    configure({"101=Ledger"});
    WatchReport r = runApplication("stderr=boom\nsleep=1500");
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("An error occured while starting up Ledger:", r.windows[0].text);
}

TEST_F(LaunchTest, ErrorOutputIsOnlyWrittenWhenShowingItIsOff) {
    configure({"106=0", "104=1", "105=logs\\out.txt"});
    CreateDirectoryA((app + "\\logs").c_str(), nullptr);
    WatchReport r = runApplication("stderr=warning\nstdout=hello\nsleep=300");
    EXPECT_TRUE(r.windows.empty()) << r.describe();
    EXPECT_EQ(0u, exitOf(r, "parent"));
    EXPECT_EQ("warning", readFile(app + "\\error.log"));
    EXPECT_EQ("hello", readFile(app + "\\logs\\out.txt"));
}

TEST_F(LaunchTest, AChildThatEndsWithACodeBeforeItIsUpAndLogsNothingSaysSoAndPassesItsCode) {
    configure({"145=0", "102=0"});
    WatchReport r = runApplication("stderr=nowhere\nexit=3");
    EXPECT_EQ(3u, exitOf(r, "child"));
    EXPECT_EQ(3u, exitOf(r, "parent"));
    ASSERT_EQ(1u, r.windows.size()) << r.describe();
    EXPECT_EQ("The JVM could not be started.\n\nThe application ended with code 3 before it was ready.",
              r.windows[0].text);
    EXPECT_FALSE(fileExists(app + "\\error.log"));
}
