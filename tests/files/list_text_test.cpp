#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/list_text.h"
#include "files/text.h"

namespace {
std::vector<std::string> entries(const char* record, size_t cap = TEXT_CAP) {
    std::vector<std::string> out;
    std::vector<char> entry(cap);
    for (const char* at = record; nextListEntry(&at, entry.data(), cap);) out.push_back(entry.data());
    return out;
}
}  // namespace

TEST(ListText, EmptyPiecesYieldNoEntry) {
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), entries("a;;b;"));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), entries(";a;b"));
    EXPECT_TRUE(entries("").empty());
    EXPECT_TRUE(entries(";;;").empty());
    EXPECT_EQ((std::vector<std::string>{"ab"}), entries("abcdef;", 3));
}

TEST(ListText, AppendsWithTheSeparatorAndRefusesWhatWouldBreakTheRecord) {
    char r[TEXT_CAP] = "";
    EXPECT_TRUE(appendListEntry(r, sizeof r, "D:\\Temp\\tvo1A2B.tmp"));
    EXPECT_TRUE(appendListEntry(r, sizeof r, "D:\\Temp\\tvo1A30.tmp"));
    EXPECT_STREQ("D:\\Temp\\tvo1A2B.tmp;D:\\Temp\\tvo1A30.tmp;", r);
    EXPECT_FALSE(appendListEntry(r, sizeof r, "D:\\a;b\\x.tmp"));
    EXPECT_FALSE(appendListEntry(r, sizeof r, ""));
    EXPECT_STREQ("D:\\Temp\\tvo1A2B.tmp;D:\\Temp\\tvo1A30.tmp;", r);

    char small[10] = "abc;";
    EXPECT_TRUE(appendListEntry(small, sizeof small, "defg"));  // 9 characters: fits
    EXPECT_FALSE(appendListEntry(small, sizeof small, "x"));
    EXPECT_STREQ("abc;defg;", small);
}
