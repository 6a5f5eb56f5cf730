#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/words_text.h"
#include "files/text.h"

namespace {

struct Split {
    SplitResult result;
    std::vector<std::string> words;
    std::string rest;
};

Split split(const char* text, const char* prefix = nullptr) {
    StringList list = {nullptr, 0, 0};
    const char* stop = nullptr;
    Split s;
    s.result = splitArguments(text, prefix, &list, &stop);
    for (size_t i = 0; i < list.count; ++i) {
        s.words.push_back(list.items[i]);
        free(list.items[i]);
    }
    releaseListStorage(&list);
    s.rest = stop;
    return s;
}

using Words = std::vector<std::string>;

}  // namespace

TEST(SplitArguments, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ((Words{"-cp", ".;orvanapi.jar"}), split("-cp \".;orvanapi.jar\"").words);
    EXPECT_EQ((Words{"x", "y z"}), split("x \"y z\"").words);
    EXPECT_EQ((Words{"a b", "c"}), split("\"a b\"c").words);
    EXPECT_EQ((Words{"it", "s"}), split("'it''s'").words);
    EXPECT_EQ((Words{"say \"hi\""}), split("'say \"hi\"'").words);
    EXPECT_EQ((Words{"a\tb"}), split("a\tb").words) << "tabs do not separate";
    EXPECT_EQ((Words{"", "x"}), split("\"\" x").words);
    EXPECT_EQ((Words{"\xE4\xF6\xFC"}), split("\xE4\xF6\xFC").words);
    EXPECT_TRUE(split("").words.empty());
    EXPECT_EQ((Words{"a"}), split("a ").words);
}

TEST(SplitArguments, TheCommandLinesThatWindowsAndScriptsSend) {
    EXPECT_EQ((Words{"a", "b"}), split("a  b").words) << "two blanks";
    EXPECT_EQ((Words{"a"}), split("a   ").words) << "call orvan.exe %1 %2 %3 with the last two empty";
    EXPECT_EQ((Words{"a"}), split("  a").words);
    EXPECT_TRUE(split("   ").words.empty());
    EXPECT_EQ((Words{"C:\\Docs\\O'Brien.txt"}), split("C:\\Docs\\O'Brien.txt").words) << "a dropped document";
    EXPECT_EQ((Words{"don't", "say\"so\""}), split("don't say\"so\"").words);
    EXPECT_EQ((Words{"-Dtitle=\"a", "b\""}), split("-Dtitle=\"a b\"").words) << "quote the whole word instead";
}

TEST(SplitArguments, UnclosedQuotesAreWrongUsage) {
    EXPECT_EQ(SPLIT_WRONG_USAGE, split("\"open").result);
    EXPECT_EQ(SPLIT_WRONG_USAGE, split("'open").result);
    EXPECT_EQ((Words{"a"}), split("a \"open").words) << "words before the fault were taken";
}

TEST(SplitArguments, WithAPrefixOnlyLeadingPrefixedWordsAreTaken) {
    Split s = split("-J-Xmx256m -J-Dmode=a data.txt -J-Xlate", "-J");
    EXPECT_EQ((Words{"-Xmx256m", "-Dmode=a"}), s.words);
    EXPECT_EQ("data.txt -J-Xlate", s.rest);
    EXPECT_EQ((Words{"-Xmx1g"}), split("-J-Xmx1g   data.txt", "-J").words);

    s = split("-J\"-Dtitle=a b\" x", "-J");
    EXPECT_EQ((Words{"-Dtitle=a b"}), s.words);
    EXPECT_EQ("x", s.rest);

    s = split("-J", "-J");
    EXPECT_EQ((Words{""}), s.words) << "a bare -J at the end is an empty option";
    EXPECT_EQ(SPLIT_WRONG_USAGE, split("-J x", "-J").result);
    EXPECT_EQ("x y", split("x y", "-J").rest);
}

TEST(ClassPathEntries, KindFlagAndNameWithShortEntriesSkipped) {
    const char* list = "A0.\\.\\orvanapi.jar;;S1lib;x;E0CP;D";
    std::vector<std::string> seen;
    char kind, name[TEXT_CAP];
    bool required;
    for (const char* at = list; nextClassPathEntry(&at, &kind, &required, name, sizeof name);)
        seen.push_back(std::string(1, kind) + (required ? "!" : "?") + name);
    EXPECT_EQ((Words{"A?.\\.\\orvanapi.jar", "S!lib", "E?CP"}), seen);
}

TEST(StackSizeOption, ReadsTheSizeAsTheJdksLauncherDoes) {
    struct Case {
        const char* option;
        bool taken;
        unsigned long long bytes;
    };
    for (Case c : {Case{"-Xss8m", true, 8ull << 20}, Case{"-Xss512K", true, 512ull << 10}, Case{"-Xss1g", true, 1ull << 30},
                   Case{"-Xss65536", true, 65536}, Case{"-Xss4t", false, 0}, Case{"-Xss", false, 0},
                   Case{"-Xss8mb", false, 0}, Case{"-Xss99999999999", false, 0}, Case{"-Xmx8m", false, 0}}) {
        unsigned long long bytes = 0;
        EXPECT_EQ(c.taken, stackSizeOption(c.option, &bytes)) << c.option;
        EXPECT_EQ(c.bytes, c.taken ? bytes : 0) << c.option;
    }
}

TEST(MainClassName, DotsBecomeSlashes) {
    char name[] = "a.b.C$D";
    mainClassToInternalName(name);
    EXPECT_STREQ("a/b/C$D", name);
}

TEST(SplitCommandLine, TakesPrefixedWordsAndStopsBeforeTheFirstOther) {
    StringList list = {nullptr, 0, 0};
    const char* stop = nullptr;
    const char* text = "  -J-Xmx1g\t\"-J-Dt=a b\" report.txt -J-Dlate";
    ASSERT_EQ(SPLIT_OK, splitCommandLine(text, "-J", &list, &stop));
    EXPECT_EQ((Words{"-Xmx1g", "-Dt=a b"}), Words(list.items, list.items + list.count));
    EXPECT_STREQ("report.txt -J-Dlate", stop) << "main's words begin here";
    // A -J with nothing behind it is no option.
    EXPECT_EQ(SPLIT_WRONG_USAGE, splitCommandLine("-J-Xmx1g -J x", "-J", &list, &stop));
    EXPECT_STREQ("-J x", stop);
    freeStringList(&list);
}
