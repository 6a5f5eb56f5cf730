#include <gtest/gtest.h>

#include <string>

#include "files/path_text.h"
#include "files/text.h"

TEST(IsRelativePath, ShortTextsAndRootsWithoutDriveAreRelative) {
    for (const char* p : {"", "x", "D:", "\\x", "x.jar", ".\\x.jar", "D:x.jar", "\"D:", "/unix/style"})
        EXPECT_TRUE(isRelativePath(p)) << p;
}

TEST(IsRelativePath, DriveAndNetworkRootsAreAbsoluteAlsoBehindAQuote) {
    for (const char* p : {"D:\\x", "d:\\", "\\\\server\\share", "\\\\h", "\"D:\\x", "\"x:\\", "\"\\\\host\\s",
                          "C:/libs/x.jar", "//server/share/x.jar", "\\\\server/share"})
        EXPECT_FALSE(isRelativePath(p)) << p;
}

TEST(CutToDirectory, KeepsTheTrailingBackslash) {
    char p[TEXT_CAP] = "D:\\Apps\\Demo\\launch.exe";
    cutToDirectory(p);
    EXPECT_STREQ("D:\\Apps\\Demo\\", p);
    char q[TEXT_CAP] = "launch.exe";
    cutToDirectory(q);
    EXPECT_STREQ("", q);
}

TEST(LowerAscii, ChangesOnlyAToZ) {
    char p[] = "D:\\Apps\\\xC4PFEL\\Z@[";
    lowerAscii(p);
    EXPECT_STREQ("d:\\apps\\\xC4pfel\\z@[", p);
}

TEST(BoundedText, CopiesAndAppendsCutAtCapacity) {
    char b[8];
    EXPECT_TRUE(copyText(b, sizeof b, "abc"));
    EXPECT_TRUE(appendText(b, sizeof b, "def"));
    EXPECT_FALSE(appendText(b, sizeof b, "ghij"));
    EXPECT_STREQ("abcdefg", b);
    EXPECT_FALSE(appendText(b, sizeof b, "x"));
    EXPECT_STREQ("abcdefg", b);
    EXPECT_FALSE(copyText(b, sizeof b, "0123456789"));
    EXPECT_STREQ("0123456", b);
    EXPECT_TRUE(copyChars(b, sizeof b, "xyz", 2));
    EXPECT_STREQ("xy", b);
}

TEST(BoundedText, AppendsDecimalNumbers) {
    char b[8] = "n=";
    EXPECT_TRUE(appendUnsigned(b, sizeof b, 0));
    EXPECT_TRUE(appendUnsigned(b, sizeof b, 105));
    EXPECT_STREQ("n=0105", b);
    EXPECT_FALSE(appendUnsigned(b, sizeof b, 4294967295ul));
    EXPECT_STREQ("n=01054", b);
}

TEST(BoundedText, CutsUtf8OnlyBetweenCharacters) {
    const char* text = "ab\xC3\xA9\xF0\x9F\x98\x80";  // a b é 😀
    EXPECT_EQ(8u, utf8Prefix(text, 100));
    EXPECT_EQ(8u, utf8Prefix(text, 8));
    for (size_t cap : {4u, 5u, 6u, 7u}) EXPECT_EQ(4u, utf8Prefix(text, cap)) << cap;
    EXPECT_EQ(2u, utf8Prefix(text, 3));
    EXPECT_EQ(0u, utf8Prefix("\xC3\xA9", 1));
    char b[6];
    EXPECT_FALSE(copyText(b, sizeof b, text));
    EXPECT_STREQ("ab\xC3\xA9", b);
}

TEST(FileNames, PlainNamesAndExtensions) {
    for (const char* good : {"a.jar", " a b.jar", "..x", "a..jar", "console.jar", "com10.txt", "nullable.jar"})
        EXPECT_TRUE(isPlainFileName(good)) << good;
    // Names Windows cannot hold as files of their own.
    for (const char* bad : {"", ".", "..", "..\\x.jar", "a/b.jar", "C:x.jar", "lib\\a.jar", "a.jar:stream",
                            "a.jar.", "a.jar ", "nul", "AUX.jar", "com1.txt", "LPT9", "con .txt", "CONIN$",
                            "COM\xC2\xB9.jar", "lpt\xC2\xB3",
                            "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "tab\there"})
        EXPECT_FALSE(isPlainFileName(bad)) << bad;
    EXPECT_TRUE(sameFileName("Lib.JAR", "lib.jar"));
    char numbered[64];
    for (auto c : {std::make_pair("C:\\app\\error.log", "C:\\app\\error-2.log"), {"C:\\a.b\\log", "C:\\a.b\\log-2"}}) {
        EXPECT_TRUE(numberedFileName(c.first, 2, numbered, sizeof numbered));
        EXPECT_STREQ(c.second, numbered);
    }
    EXPECT_TRUE(numberedFileName("x.log", 1, numbered, sizeof numbered));
    EXPECT_STREQ("x.log", numbered);
    EXPECT_FALSE(sameFileName("lib.jar", "lib.jar2"));
    EXPECT_TRUE(hasExtension("A.JAR", "jar"));
    EXPECT_FALSE(hasExtension("x.jarold", "jar"));
    EXPECT_FALSE(hasExtension("jar", "jar"));
}

TEST(TempRecords, OnlyTheLaunchersOwnEntriesInThisUsersTempFolder) {
    const char* temp = "C:\\Users\\Ann\\AppData\\Local\\Temp\\";
    for (const char* own : {"C:\\Users\\Ann\\AppData\\Local\\Temp\\tvo1A2B.tmp", "c:\\users\\ann\\appdata\\local\\temp\\TVO1.TMP",
                            "C:\\Users\\Ann\\AppData\\Local\\Temp\\tvo1A2B.tmp_dir",
                            "C:\\Users\\Ann\\AppData\\Local\\Temp\\tvo1A2B.tmp_dir\\app.jar"})
        EXPECT_TRUE(isOwnTempEntry(own, temp)) << own;
    for (const char* other : {"C:\\Windows\\System32\\config", "C:\\Users\\Ann\\AppData\\Local\\Temp\\report.tmp",
                              "C:\\Users\\Ann\\AppData\\Local\\Temp\\tvo1.tmp\\x",
                              "C:\\Users\\Ann\\AppData\\Local\\Temp\\tvo1.tmp_dir\\..\\..\\x",
                              "C:\\Users\\Ann\\AppData\\Local\\Temp\\tvo1.tmp_dir\\sub\\x.jar",
                              "C:\\Users\\Ann\\AppData\\Local\\Temp\\", "C:\\Users\\Bob\\AppData\\Local\\Temp\\tvo1.tmp"})
        EXPECT_FALSE(isOwnTempEntry(other, temp)) << other;
}
