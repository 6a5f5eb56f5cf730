#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/text.h"
#include "jvm/search_text.h"

namespace {
std::vector<std::string> entries(const char* sequence) {
    std::vector<std::string> out;
    char letter, arg[TEXT_CAP];
    for (const char* at = sequence; nextSearchEntry(&at, &letter, arg, sizeof arg);)
        out.push_back(std::string(1, letter) + "|" + arg);
    return out;
}
}  // namespace

TEST(SearchSequence, EntriesAreLetterAndLiteralArgument) {
    EXPECT_EQ((std::vector<std::string>{"Y|", "E|JAVA_HOME", "E|JDK_HOME"}), entries("Y;EJAVA_HOME;EJDK_HOME;"));
    EXPECT_EQ((std::vector<std::string>{"Y|", "E|JAVA_HOME", "A| c:\\j dk "}), entries(";;Y;;EJAVA_HOME;A c:\\j dk "));
    EXPECT_TRUE(entries("").empty());
    EXPECT_TRUE(entries(";;").empty());
}

TEST(SearchSequence, FlavourVariables) {
    EXPECT_STREQ("TARVO_JAVA_HOME", flavourJavaVariable('t'));
    EXPECT_STREQ("SELVADRIN_JAVA_HOME", flavourJavaVariable('s'));
    EXPECT_EQ(nullptr, flavourJavaVariable('T'));
    EXPECT_EQ(nullptr, flavourJavaVariable('\0'));
}

TEST(CacheKeyName, TurnsBackslashesIntoSlashesAndNothingElse) {
    char key[TEXT_CAP];
    ASSERT_TRUE(cacheKeyName(key, sizeof key, "d:\\program files\\java\\j2re1.4.2_03\\bin\\java.exe"));
    EXPECT_STREQ("SOFTWARE\\brannoc\\tarvo\\jvms\\d:/program files/java/j2re1.4.2_03/bin/java.exe", key);
    std::string longPath(TEXT_CAP, 'x');
    EXPECT_FALSE(cacheKeyName(key, sizeof key, longPath.c_str()));
}

TEST(JvmDirectory, StripsJavaOrJavawExe) {
    char dir[TEXT_CAP];
    jvmDirectoryOf(dir, sizeof dir, "d:\\j2sdk\\jre\\bin\\java.exe");
    EXPECT_STREQ("d:\\j2sdk\\jre\\bin\\", dir);
    jvmDirectoryOf(dir, sizeof dir, "d:\\j2sdk\\jre\\bin\\javaw.exe");
    EXPECT_STREQ("d:\\j2sdk\\jre\\bin\\", dir);
    jvmDirectoryOf(dir, sizeof dir, "x.exe");
    EXPECT_STREQ("", dir);
}

TEST(VersionNames, SortInVersionOrder) {
    std::vector<std::string> names = {"1.4.2_03", "1.10", "1.4", "17", "1.9", "9", "11.0.2", "1.4.1_02"};
    std::vector<char*> ptrs;
    for (auto& n : names) ptrs.push_back(&n[0]);
    sortVersionNames(ptrs.data(), ptrs.size());
    std::vector<std::string> sorted(ptrs.begin(), ptrs.end());
    EXPECT_EQ((std::vector<std::string>{"1.4", "1.4.1_02", "1.4.2_03", "1.9", "1.10", "9", "11.0.2", "17"}),
              sorted);
}

TEST(JavaHome, IsTheFolderAboveBinOrJreBin) {
    char home[TEXT_CAP];
    javaHomeOf(home, sizeof home, "C:\\Java\\jdk8\\jre\\bin\\java.exe");
    EXPECT_STREQ("C:\\Java\\jdk8\\", home);
    javaHomeOf(home, sizeof home, "c:\\jdk-17\\\\BIN\\javaw.exe");
    EXPECT_STREQ("c:\\jdk-17\\", home);
    jvmLibraryPath(home, sizeof home, "c:\\jdk-17\\bin\\java.exe", 2);
    EXPECT_STREQ("c:\\jdk-17\\bin\\server\\jvm.dll", home);
}
