#include <gtest/gtest.h>

#include "app/crash_report_text.h"

TEST(CrashReportName, TheProcessNumberAndPerCentAsTheVmExpandsThemAndNoNameCut) {
    char name[32];
    ASSERT_TRUE(expandErrorFileName("crashes\\%p.txt", 4312, name, sizeof name));
    EXPECT_STREQ("crashes\\4312.txt", name);
    ASSERT_TRUE(expandErrorFileName("a%%p %x %", 7, name, sizeof name));
    EXPECT_STREQ("a%p %x %", name);
    EXPECT_FALSE(expandErrorFileName("a-long-folder\\hs_err_pid%p.log", 4294967295UL, name, sizeof name));
}
