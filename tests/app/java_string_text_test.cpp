#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/java_string_text.h"

namespace {

std::string modified(const std::string& utf8) {
    std::vector<char> out(modifiedUtf8Size(utf8.c_str()) + 1);
    EXPECT_TRUE(toModifiedUtf8(utf8.c_str(), out.data(), out.size()));
    return out.data();
}

}  // namespace

TEST(ModifiedUtf8, KeepsTheFirstPlaneAndSplitsTheRestIntoSurrogates) {
    EXPECT_EQ("\xC3\x9C" "n\xC3\xAF", modified("\xC3\x9C" "n\xC3\xAF"));  // Ünï
    EXPECT_EQ("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", modified("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"));  // 日本語
    EXPECT_EQ("\xED\xA0\xBD\xED\xB8\x80", modified("\xF0\x9F\x98\x80"));  // 😀 as D83D DE00
}

TEST(ModifiedUtf8, ReplacesWhatIsNoUtf8AndNeverOverrunsItsBuffer) {
    EXPECT_EQ("a\xEF\xBF\xBD" "b", modified("a\xFF" "b"));
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD", modified("\xC0\xAF"));          // overlong
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", modified("\xED\xA0\x80"));  // a raw surrogate
    EXPECT_EQ("x\xEF\xBF\xBD\xEF\xBF\xBD", modified("x\xF0\x9F"));     // cut short: each byte
    char small[4];
    EXPECT_FALSE(toModifiedUtf8("\xF0\x9F\x98\x80", small, sizeof small));
    EXPECT_STREQ("", small);
}

TEST(ModifiedUtf8, ReadsBackWhatJavaGivesForTheUser) {
    char out[64];
    fromModifiedUtf8("Vuvudozid \xED\xA0\xBD\xED\xB8\x80 a\xC0\x80" "b \xC3\x9C", out, sizeof out);
    EXPECT_STREQ("Vuvudozid \xF0\x9F\x98\x80 a b \xC3\x9C", out);
    fromModifiedUtf8("\xED\xA0\xBDx\xFF", out, sizeof out);  // a lone surrogate, a stray byte
    EXPECT_STREQ("\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx\xEF\xBF\xBD", out);
    char small[5];
    fromModifiedUtf8("ab\xC3\x9C", small, sizeof small);
    EXPECT_STREQ("ab\xC3\x9C", small);
    fromModifiedUtf8("abc\xC3\x9C", small, sizeof small);
    EXPECT_STREQ("abc", small);
}
