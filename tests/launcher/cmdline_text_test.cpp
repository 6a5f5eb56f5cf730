#include <gtest/gtest.h>

#include <string>

#include "files/text.h"
#include "launcher/cmdline_text.h"

TEST(ArgumentTail, SkipsTheProgramNameAndTheBlanksAndTabsAroundIt) {
    EXPECT_STREQ("a b", argumentTail("launch.exe a b"));
    EXPECT_STREQ("a  b ", argumentTail("  \t\"C:\\Program Files\\x.exe\" \t a  b "));
    EXPECT_STREQ("", argumentTail("\"C:\\never closed a b"));
    EXPECT_STREQ("", argumentTail("launch.exe"));
    EXPECT_STREQ("x", argumentTail("launch.exe\tx"));
}

TEST(ChildModeTail, OnlyThePrefixIsCompared) {
    EXPECT_TRUE(isChildModeTail("__tarvo_load_appl 'a' '' x"));
    EXPECT_TRUE(isChildModeTail("__tarvo_load_applet"));
    EXPECT_FALSE(isChildModeTail("__tarvo_load_app"));
    EXPECT_FALSE(isChildModeTail(" __tarvo_load_appl"));
}

namespace {
std::string compose(const char* own, const char* comm, const char* dir, const char* tail, size_t cap = TEXT_CAP) {
    std::string buf(cap, '#');
    if (!composeChildCommandLine(&buf[0], cap, own, strlen(own), comm, dir, tail)) return "<too long>";
    return buf.c_str();
}
}  // namespace

TEST(ChildCommandLine, HasTheExactFormAndReadsBack) {
    std::string line = compose("\"C:\\Program Files\\app\\launch.exe\"", "c:\\x\\a.tmp", "", "a \"b c\" \xE4");
    EXPECT_EQ("\"C:\\Program Files\\app\\launch.exe\" __tarvo_load_appl 'c:\\x\\a.tmp' '' a \"b c\" \xE4", line);
    EXPECT_EQ("x.exe __tarvo_load_appl 'c:\\x\\a.tmp' '' ", compose("x.exe", "c:\\x\\a.tmp", "", ""));

    const char* tail = argumentTail(line.c_str());
    ASSERT_TRUE(isChildModeTail(tail));
    char comm[TEXT_CAP], dir[TEXT_CAP];
    const char* at;
    ASSERT_EQ(PARAM_OK, readQuotedParamText(tail, comm, sizeof comm, &at));
    ASSERT_EQ(PARAM_OK, readQuotedParamText(at, dir, sizeof dir, &at));
    EXPECT_STREQ("c:\\x\\a.tmp", comm);
    EXPECT_STREQ("", dir);
    EXPECT_STREQ("a \"b c\" \xE4", at);
}

TEST(ChildCommandLine, SingleQuotesInPathsSurviveTheTrip) {
    std::string line = compose("x.exe", "C:\\Users\\O'Brien\\Temp\\tvo1.tmp", "C:\\Users\\O'Brien\\Temp\\d'", "y");
    EXPECT_EQ(std::string::npos, line.find("O'Brien"));
    char comm[TEXT_CAP], dir[TEXT_CAP];
    const char* at;
    ASSERT_EQ(PARAM_OK, readQuotedParamText(line.c_str(), comm, sizeof comm, &at));
    ASSERT_EQ(PARAM_OK, readQuotedParamText(at, dir, sizeof dir, &at));
    EXPECT_STREQ("C:\\Users\\O'Brien\\Temp\\tvo1.tmp", comm);
    EXPECT_STREQ("C:\\Users\\O'Brien\\Temp\\d'", dir);
    EXPECT_STREQ("y", at);
}

TEST(ChildCommandLine, ALineThatDoesNotFitIsRefusedWholeAndLongOnesFitALargerBuffer) {
    std::string longArg(10000, 'a');
    EXPECT_EQ("<too long>", compose("x.exe", "c:\\a.tmp", "", longArg.c_str()));
    std::string line = compose("x.exe", "c:\\a.tmp", "", longArg.c_str(), 32768);
    EXPECT_EQ(childCommandLineLength(5, "c:\\a.tmp", "", longArg.c_str()), line.size());
    EXPECT_EQ(longArg, line.substr(line.size() - longArg.size()));
    // Exactly fitting: length plus terminator equals the capacity.
    size_t exact = childCommandLineLength(5, "c:\\a.tmp", "", "tail") + 1;
    EXPECT_NE("<too long>", compose("x.exe", "c:\\a.tmp", "", "tail", exact));
    EXPECT_EQ("<too long>", compose("x.exe", "c:\\a.tmp", "", "tail", exact - 1));
}

TEST(QuotedParam, BrokenTailsNameTheMissingQuote) {
    char out[TEXT_CAP];
    const char* at;
    EXPECT_EQ(PARAM_NO_BEGIN, readQuotedParamText("__tarvo_load_appl", out, sizeof out, &at));
    EXPECT_EQ(PARAM_NO_END, readQuotedParamText("__tarvo_load_appl 'c:\\a", out, sizeof out, &at));
    ASSERT_EQ(PARAM_OK, readQuotedParamText("w 'a''b'c", out, sizeof out, &at));
    EXPECT_STREQ("a", out);
    EXPECT_STREQ("'b'c", at);
    char small[4];
    EXPECT_EQ(PARAM_TOO_LONG, readQuotedParamText("'abcdef' x", small, sizeof small, &at));
    EXPECT_STREQ("abc", small);
}
