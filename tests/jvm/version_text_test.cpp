#include <gtest/gtest.h>

#include <string>

#include "files/text.h"
#include "jvm/version_text.h"

TEST(VersionInRange, BoundsArePrefixesComparedByteByByte) {
    EXPECT_TRUE(versionInRange("1.4.2_03", "1.1", ""));
    EXPECT_TRUE(versionInRange("1.1", "1.1", ""));
    EXPECT_FALSE(versionInRange("1.0.2", "1.1", ""));
    EXPECT_FALSE(versionInRange("1.4.10", "1.4.2", ""));
    EXPECT_TRUE(versionInRange("1.4.2_03", "", "1.4"));
    EXPECT_FALSE(versionInRange("1.5.0", "", "1.4"));
    EXPECT_FALSE(versionInRange("1.4", "1.4.2", "")) << "a shorter version is below a longer bound";
    EXPECT_TRUE(versionInRange("", "", ""));
    EXPECT_TRUE(versionInRange("\xFF", "1", "")) << "bytes compare as unsigned";
}

TEST(VersionNameInRange, ComparesOverTheShorterLength) {
    EXPECT_TRUE(versionNameInRange("1.4", "1.4.2", ""));
    EXPECT_TRUE(versionNameInRange("1.4.2_03", "1.4.2", ""));
    EXPECT_FALSE(versionNameInRange("1.4.1_02", "1.4.2", ""));
    EXPECT_FALSE(versionNameInRange("1.3.1", "1.4.2", ""));
    EXPECT_TRUE(versionNameInRange("1.5", "1.1", "1.5.0_01"));
    EXPECT_FALSE(versionNameInRange("1.6", "1.1", "1.5.0_01"));
}

namespace {
std::string parse(const std::string& out, BannerResult expected) {
    char version[TEXT_CAP] = "untouched";
    EXPECT_EQ(expected, parseBanner(out.c_str(), out.size(), version, sizeof version)) << out;
    return version;
}
}  // namespace

TEST(Banner, TakesTheVersionUpToTheCharacterBeforeTheCarriageReturn) {
    EXPECT_EQ("1.4.2_03", parse("java version \"1.4.2_03\"\r\nJava(TM) 2 Runtime\r\n", BANNER_OK));
    EXPECT_EQ("1.4.2_03\" x", parse("java version \"1.4.2_03\" xy\r\n", BANNER_OK));
    EXPECT_EQ("", parse("java version \"\"\r", BANNER_OK));
}

TEST(Banner, WaitsForMoreWhileTheFirstLineIsIncomplete) {
    parse("", BANNER_NEED_MORE);
    parse("java ver", BANNER_NEED_MORE);
    parse("java version \"1.4.2_03\"", BANNER_NEED_MORE);
    parse("java version \"1.4.2_03\"\nline feeds only\n", BANNER_NEED_MORE);
}

TEST(Banner, OtherOutputAndACarriageReturnRightBehindThePrefixFail) {
    parse("Picked up _JAVA_OPTIONS\r\njava version \"1.4\"\r\n", BANNER_FAILED);
    parse("openjdk version \"17\"\r\n", BANNER_FAILED);
    parse("java version \"\r\n", BANNER_FAILED);
    char tiny[4];
    std::string out = "java version \"1.4.2_03\"\r\n";
    EXPECT_EQ(BANNER_FAILED, parseBanner(out.c_str(), out.size(), tiny, sizeof tiny));
}
