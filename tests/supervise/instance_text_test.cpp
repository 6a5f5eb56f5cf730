#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/words_text.h"
#include "supervise/instance_text.h"

namespace {

std::vector<std::string> roundTrip(const char* folder, std::vector<std::string> words, size_t cap = HAND_OVER_MAX) {
    std::vector<char*> items;
    for (auto& w : words) items.push_back(&w[0]);
    StringList list = {items.data(), items.size(), items.size()};
    std::vector<unsigned char> bytes(cap);
    size_t dropped = 0;
    size_t length = encodeHandOver(folder, &list, bytes.data(), cap, &dropped);
    if (length == 0) return {"(too long)"};
    if (dropped) words = {std::to_string(dropped) + " dropped"};
    StringList back = {nullptr, 0, 0};
    EXPECT_TRUE(decodeHandOver(bytes.data(), length, &back));
    std::vector<std::string> out(back.items, back.items + back.count);
    freeStringList(&back);
    if (dropped) out.push_back(words[0]);
    return out;
}

}  // namespace

TEST(HandOver, CarriesTheFolderAndEveryWordWholeUpToItsLimit) {
    std::vector<std::string> expected = {"C:\\Пример 例", "two words", "", "\xF0\x9F\x98\x80.txt"};
    EXPECT_EQ(expected, roundTrip(expected[0].c_str(), {expected[1], expected[2], expected[3]}));
    // 4 bytes of count and 2 per unit: "ab" and "c" take 14 bytes. A word
    // that does not fit is left out and counted; a later one that fits goes.
    EXPECT_EQ((std::vector<std::string>{"ab", "c"}), roundTrip("ab", {"c"}, 14));
    EXPECT_EQ((std::vector<std::string>{"ab", "c", "1 dropped"}), roundTrip("ab", {"long", "c"}, 14));
    EXPECT_EQ((std::vector<std::string>{"ab", "2 dropped"}), roundTrip("ab", {"c", "bad \xC3"}, 13));
    EXPECT_EQ((std::vector<std::string>{"(too long)"}), roundTrip("bad \xC3", {}));
}

TEST(HandOver, RefusesBytesThatAreNoWholeHandOver) {
    // A count beyond the bytes, a count cut short, nothing at all.
    const unsigned char beyond[] = {3, 0, 0, 0, 'a', 0};
    const unsigned char cut[] = {1, 0, 0, 0, 'a', 0, 1, 0};
    for (auto bytes : {std::vector<unsigned char>(beyond, beyond + 6), std::vector<unsigned char>(cut, cut + 8),
                       std::vector<unsigned char>()}) {
        StringList items = {nullptr, 0, 0};
        EXPECT_FALSE(decodeHandOver(bytes.data(), bytes.size(), &items));
        freeStringList(&items);
    }
    // A lone surrogate reads as the replacement character.
    const unsigned char lone[] = {1, 0, 0, 0, 0x00, 0xD8};
    StringList items = {nullptr, 0, 0};
    ASSERT_TRUE(decodeHandOver(lone, sizeof lone, &items));
    EXPECT_STREQ("\xEF\xBF\xBD", items.items[0]);
    freeStringList(&items);
}

TEST(InstanceKey, NamesOneProgramOfOneUserInOneSessionAtOneLevel) {
    char a[INSTANCE_KEY_CAP], b[INSTANCE_KEY_CAP], c[INSTANCE_KEY_CAP], d[INSTANCE_KEY_CAP], e[INSTANCE_KEY_CAP];
    instanceKey("c:\\apps\\orvan.exe", "S-1-5-21-1", 1, false, a, sizeof a);
    instanceKey("c:\\apps\\orvan.exe", "S-1-5-21-2", 1, false, b, sizeof b);
    instanceKey("c:\\apps\\orvan.exe", "S-1-5-21-1", 2, false, c, sizeof c);
    instanceKey("c:\\apps\\orvan.ex", "eS-1-5-21-1", 1, false, d, sizeof d);
    instanceKey("c:\\apps\\orvan.exe", "S-1-5-21-1", 1, true, e, sizeof e);
    EXPECT_EQ(22u, strlen(a));
    EXPECT_EQ(0, strncmp(a, "tarvo-", 6));
    for (const char* other : {b, c, d, e}) EXPECT_STRNE(a, other);
}

// A start again of a hand-over: its options stay options, and main's words
// stay main's words, whatever they look like.
TEST(HandOver, AStartAgainKeepsOptionsAndWordsApart) {
    std::vector<std::string> raw = {"C:\\docs", "2", "-Xmx1g", "-Dname=two words", "-J-javaagent:planted.jar",
                                    "__tarvo_load_appl", "a \"quoted\" word"};
    StringList items = {nullptr, 0, 0}, options = {nullptr, 0, 0};
    for (auto& w : raw) addString(&items, w.c_str());
    ASSERT_TRUE(takeHandOverOptions(&items, &options));
    ASSERT_EQ(4u, items.count);
    EXPECT_STREQ("C:\\docs", items.items[0]);
    EXPECT_STREQ("-J-javaagent:planted.jar", items.items[1]);
    ASSERT_EQ(2u, options.count);
    EXPECT_STREQ("-Dname=two words", options.items[1]);

    char line[512] = "x.exe";
    size_t dropped = 0;
    ASSERT_TRUE(appendAgainWords(line, sizeof line, &options, &items, &dropped));
    unsigned long count = 0;
    const char* words = againTail(line + 6, &count);
    ASSERT_NE(nullptr, words) << line;
    EXPECT_EQ(2u, count);
    StringList split = {nullptr, 0, 0};
    const char* stop = nullptr;
    ASSERT_EQ(SPLIT_OK, splitCommandLine(words, "-J", &split, &stop, count));
    ASSERT_EQ(SPLIT_OK, splitCommandLine(stop, nullptr, &split, &stop));
    std::vector<std::string> got(split.items, split.items + split.count);
    EXPECT_EQ((std::vector<std::string>{"-Xmx1g", "-Dname=two words", "-J-javaagent:planted.jar", "__tarvo_load_appl",
                                        "a \"quoted\" word"}),
              got);
    freeStringList(&split);
    freeStringList(&items);
    freeStringList(&options);

    // A count that the items do not hold, or no number, is no hand-over.
    for (const char* count : {"3", "x", ""}) {
        StringList bad = {nullptr, 0, 0}, none = {nullptr, 0, 0};
        for (const char* w : {"C:\\", count, "a"}) addString(&bad, w);
        EXPECT_FALSE(takeHandOverOptions(&bad, &none)) << count;
        freeStringList(&bad);
        freeStringList(&none);
    }
    EXPECT_EQ(nullptr, againTail("__tarvo_again x", &count));
    EXPECT_EQ(nullptr, againTail("__tarvo_againx '1' a", &count));
}
