// The test tools themselves: configured launchers and the harness.
#include <gtest/gtest.h>

#include "testkit.h"
#include "watch.h"

TEST(MakeLauncher, SetsEmptiesAndRemovesEntriesInACopy) {
    ScratchDir dir("cfgtool");
    std::string exe = dir / "launch.exe";
    makeLauncher(exe, {"127=1.4", "128=", "1013", "1007~=a\\nb\\x41", "60000=far away"});
    std::map<unsigned, std::string> table;
    std::string error;
    ASSERT_TRUE(readConfiguration(exe, &table, &error)) << error;
    EXPECT_EQ("1.4", table[127]);
    EXPECT_EQ(0u, table.count(1013));
    EXPECT_EQ("a\nbA", table[1007]);
    EXPECT_EQ("far away", table[60000]);
    EXPECT_EQ("Vuvudozid", table[122]);
    // An empty entry reads as the empty text, like an absent one.
    EXPECT_EQ(0u, table.count(128));

    std::map<unsigned, std::string> original;
    ASSERT_TRUE(readConfiguration(templatePath(), &original, &error));
    EXPECT_EQ("Y;EJAVA_HOME;EJDK_HOME;", original[128]) << "the template itself must stay untouched";
}

TEST(Harness, ReportsAMessageBoxClosesItAndGivesTheExitCode) {
    for (CloseBy how : {CloseBy::Button, CloseBy::Escape, CloseBy::CloseBox}) {
        WatchOptions options;
        options.commandLine = "\"" + buildPath("gui_msgbox.exe") + "\" two\nlines";
        options.closeBy = how;
        options.readingMs = 100;
        options.timeoutMs = 20000;
        WatchReport report = watchProgram(options);
        ASSERT_TRUE(report.started) << report.error;
        ASSERT_EQ(1u, report.windows.size()) << report.describe();
        EXPECT_EQ("#32770", report.windows[0].className);
        EXPECT_EQ("Stand-in", report.windows[0].title);
        EXPECT_EQ("two\nlines", report.windows[0].text);
        ASSERT_TRUE(report.byRole("parent"));
        EXPECT_TRUE(report.byRole("parent")->ended) << report.describe();
        EXPECT_EQ(7u, report.byRole("parent")->exitCode);
    }
}
