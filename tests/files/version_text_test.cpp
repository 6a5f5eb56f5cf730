#include <gtest/gtest.h>

#include <string>

#include "files/text.h"
#include "jvm/image_text.h"
#include "files/version_text.h"

TEST(VersionOrder, DigitRunsCompareAsNumbers) {
    EXPECT_GT(compareVersions("1.4.10", "1.4.2"), 0);
    EXPECT_GT(compareVersions("1.8.0_392", "1.8.0_60"), 0);
    EXPECT_GT(compareVersions("17.0.10", "17.0.9"), 0);
    EXPECT_GT(compareVersions("17", "9"), 0);
    EXPECT_GT(compareVersions("9", "1.8"), 0);
    EXPECT_EQ(0, compareVersions("1.08", "1.8")) << "leading zeros do not count";
    EXPECT_LT(compareVersions("1.4", "1.4.2"), 0) << "a text that ends first is smaller";
    EXPECT_GT(compareVersions("99999999999999999999999", "99999999999999999999998"), 0) << "no overflow";
}

TEST(VersionInRange, BoundsArePrefixesOfWholeComponents) {
    EXPECT_TRUE(versionInRange("1.4.2_03", "1.1", ""));
    EXPECT_FALSE(versionInRange("1.0.2", "1.1", ""));
    EXPECT_TRUE(versionInRange("1.4.10", "1.4.2", ""));
    EXPECT_TRUE(versionInRange("1.8.0_392", "1.8.0_60", ""));
    EXPECT_TRUE(versionInRange("1.4.2_03", "", "1.4"));
    EXPECT_TRUE(versionInRange("17.0.9", "", "17"));
    EXPECT_FALSE(versionInRange("1.5.0", "", "1.4"));
    EXPECT_FALSE(versionInRange("1.40", "", "1.4")) << "1.4 is no prefix of 1.40";
    EXPECT_FALSE(versionInRange("1.4", "1.4.2", "")) << "a shorter version is below a longer bound";
    EXPECT_TRUE(versionInRange("", "", ""));
}

TEST(VersionNameInRange, ComparesOverTheShorterInComponents) {
    EXPECT_TRUE(versionNameInRange("1.4", "1.4.2", ""));
    EXPECT_TRUE(versionNameInRange("1.4.2_03", "1.4.2", ""));
    EXPECT_FALSE(versionNameInRange("1.4.1_02", "1.4.2", ""));
    EXPECT_TRUE(versionNameInRange("1.5", "1.1", "1.5.0_01"));
    EXPECT_FALSE(versionNameInRange("1.6", "1.1", "1.5.0_01"));
    EXPECT_TRUE(versionNameInRange("11.0.2", "9", "17"));
}

namespace {
std::string parse(const std::string& out, BannerResult expected, bool ended = false) {
    char version[TEXT_CAP] = "untouched";
    EXPECT_EQ(expected, parseBanner(out.c_str(), out.size(), ended, version, sizeof version)) << out;
    return version;
}
}  // namespace

TEST(VersionFeature, TheReleaseThatDecidesHowJavaIsHosted) {
    struct Case {
        const char* version;
        unsigned feature;
    };
    for (Case c : {Case{"1.8.0_392", 8}, Case{"1.4.2", 4}, Case{"9-ea", 9}, Case{"17.0.9", 17}, Case{"21", 21},
                   Case{"", 0}, Case{"abc", 0}})
        EXPECT_EQ(c.feature, javaFeatureVersion(c.version)) << c.version;
}

TEST(Banner, TheQuotedTextOfTheFirstVersionLine) {
    EXPECT_EQ("1.4.2_03", parse("java version \"1.4.2_03\"\r\nJava(TM) 2 Runtime\r\n", BANNER_OK));
    EXPECT_EQ("17.0.9", parse("openjdk version \"17.0.9\" 2023-10-17\nOpenJDK Runtime\n", BANNER_OK));
    EXPECT_EQ("21.0.1", parse("Picked up JAVA_TOOL_OPTIONS: -Xmx1g version \"x\"\r\n"
                              "NOTE: Picked up JDK_JAVA_OPTIONS: -Da\n"
                              "java version \"21.0.1\" 2023-10-17 LTS\r\n",
                              BANNER_OK));
    EXPECT_EQ("1.8", parse("java version \"1.8\"", BANNER_OK, true)) << "a last line needs no end";
}

TEST(Banner, WaitsForACompleteLineAndFailsOnlyAtTheEnd) {
    parse("", BANNER_NEED_MORE);
    parse("java version \"1.4.2_03\"", BANNER_NEED_MORE);
    parse("Picked up X\r\n", BANNER_NEED_MORE);
    parse("Picked up X\r\n", BANNER_FAILED, true);
    parse("java version \"\"\r\n", BANNER_FAILED, true);
    parse("java version \"1.4\r\n", BANNER_FAILED, true);
    char tiny[4];
    std::string out = "java version \"1.4.2_03\"\r\n";
    EXPECT_EQ(BANNER_FAILED, parseBanner(out.c_str(), out.size(), true, tiny, sizeof tiny));
}

TEST(ReleaseFile, JavaVersionLine) {
    char version[TEXT_CAP];
    std::string text = "IMPLEMENTOR=\"X\"\nJAVA_VERSION=\"17.0.9\"\nOS_NAME=\"Windows\"\n";
    ASSERT_TRUE(parseReleaseVersion(text.c_str(), text.size(), version, sizeof version));
    EXPECT_STREQ("17.0.9", version);
    for (std::string bad : {"JAVA_VERSION=17\n", "JAVA_VERSION=\"\"\n", "JAVA_VERSION=\"17", "X=1\r\n", ""})
        EXPECT_FALSE(parseReleaseVersion(bad.c_str(), bad.size(), version, sizeof version)) << bad;
}

TEST(ImageMachine, ReadsThePeHeaderOnlyWhenComplete) {
    unsigned char image[0x100] = {'M', 'Z'};
    image[0x3C] = 0x80;
    memcpy(image + 0x80, "PE\0\0\x64\x86", 6);
    EXPECT_EQ(MACHINE_AMD64, imageMachine(image, sizeof image));
    EXPECT_EQ(MACHINE_UNKNOWN, imageMachine(image, 0x85)) << "cut inside the header";
    image[0x3C] = 0xFF;
    image[0x3F] = 0x7F;
    EXPECT_EQ(MACHINE_UNKNOWN, imageMachine(image, sizeof image)) << "header offset past the data";
    EXPECT_STREQ("32-bit", machineWords(MACHINE_I386, MACHINE_AMD64));
}
