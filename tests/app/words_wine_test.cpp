// The user's words split as the system splits a command line: the same
// words as CommandLineToArgvW, where its rule and the C runtime's agree.
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/words_text.h"
#include "files/wide.h"

namespace {

using Words = std::vector<std::string>;

Words launcher(const char* tail) {
    StringList list = {nullptr, 0, 0};
    const char* stop = nullptr;
    splitCommandLine(tail, nullptr, &list, &stop);
    Words words(list.items, list.items + list.count);
    freeStringList(&list);
    return words;
}

Words byTheSystem(const char* tail) {
    wchar_t* wide = allocWide((std::string("prog.exe ") + tail).c_str());
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(wide, &count);
    Words words;
    for (int i = 1; argv && i < count; ++i) {
        char* utf8 = allocUtf8(argv[i]);
        words.push_back(utf8 ? utf8 : "");
        free(utf8);
    }
    LocalFree(argv);
    free(wide);
    return words;
}

}  // namespace

TEST(UserWords, SplitAsCommandLineToArgvWSplitsThem) {
    struct Case {
        const char* tail;
        Words words;
    };
    for (const Case& c : std::vector<Case>{
             {"a b\tc", {"a", "b", "c"}},
             {"\"x \\\"y\\\" z\"", {"x \"y\" z"}},
             {"\"C:\\Program Files\\Orvan\\\\\" next", {"C:\\Program Files\\Orvan\\", "next"}},
             {"C:\\Dir\\ a\\\\b", {"C:\\Dir\\", "a\\\\b"}},
             {"\\\\\\\"quoted\\\\\"", {"\\\"quoted\\"}},
             {"\"\" \"\"", {"", ""}},
             {"a\"b c\"d", {"ab cd"}},
             {"'single quotes' stay", {"'single", "quotes'", "stay"}},
             {"\"unclosed run", {"unclosed run"}},
             {"   ", {}},
         }) {
        EXPECT_EQ(c.words, launcher(c.tail)) << c.tail;
        EXPECT_EQ(byTheSystem(c.tail), launcher(c.tail)) << c.tail;
    }
}
