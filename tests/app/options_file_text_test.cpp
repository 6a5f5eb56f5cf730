#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/options_file_text.h"
#include "files/text.h"

namespace {

using Lines = std::vector<std::string>;

bool lookup(const char* name, char* value, size_t cap) {
    if (strcmp(name, "APPDATA") != 0) return false;
    copyText(value, cap, "C:\\Users\\Ann\\AppData\\Roaming");
    return true;
}

struct Read {
    OptionsFileResult result;
    Lines options;
    size_t line;
};

Read read(const std::string& text) {
    StringList list = {nullptr, 0, 0};
    Read r;
    r.result = readOptionsFile(text.data(), text.size(), lookup, &list, &r.line);
    for (size_t i = 0; i < list.count; ++i) r.options.push_back(list.items[i]);
    freeStringList(&list);
    return r;
}

Lines merged(const Lines& in) {
    StringList list = {nullptr, 0, 0};
    for (const std::string& o : in) addString(&list, o.c_str());
    mergeOptions(&list, nullptr);
    Lines out(list.items, list.items + list.count);
    freeStringList(&list);
    return out;
}

}  // namespace

TEST(OptionsFile, OneOptionALineAsAnAdministratorWritesIt) {
    Read r = read("\xEF\xBB\xBF# the heap\r\n-Xmx2g\r\n\r\n  -Dreport.title=Monthly report  \n"
                  "-Dcache=%APPDATA%\\cache\n-Dpct=100%\n-Dodd=%NOPE%");
    EXPECT_EQ(OPTIONS_OK, r.result);
    EXPECT_EQ((Lines{"-Xmx2g", "-Dreport.title=Monthly report", "-Dcache=C:\\Users\\Ann\\AppData\\Roaming\\cache",
                     "-Dpct=100%", "-Dodd=%NOPE%"}),
              r.options);
}

TEST(OptionsFile, ABrokenFileIsRefusedWholeWithItsLine) {
    struct Case {
        std::string text;
        OptionsFileResult result;
        size_t line;
    };
    for (const Case& c : {Case{"-Xmx1g\n-Dx=\xFF\n", OPTIONS_NOT_UTF8, 2},
                          Case{"-Xmx1g\n\n-Dx=a" + std::string(1, '\0') + "b\n", OPTIONS_ZERO_BYTE, 3},
                          Case{"-D" + std::string(8200, 'x') + "\n", OPTIONS_LINE_TOO_LONG, 1},
                          Case{"-Dx=1\n-Xmx150%\n", OPTIONS_HEAP_SHARE, 2},
                          Case{"-Xms0%\n", OPTIONS_HEAP_SHARE, 1}}) {
        Read r = read(c.text);
        EXPECT_EQ(c.result, r.result);
        EXPECT_EQ(c.line, r.line);
        EXPECT_TRUE(r.options.empty()) << "nothing of the file is used";
    }
}

TEST(OptionsFile, ALaterOptionReplacesEveryEarlierOneOfItsKind) {
    struct Case {
        Lines in, out;
    };
    for (const Case& c : {
             Case{{"-Xmx512m", "-Dproxy=a", "-Xmx2g"}, {"-Dproxy=a", "-Xmx2g"}},
             Case{{"-Xmx512m", "-XX:MaxRAMPercentage=50"}, {"-XX:MaxRAMPercentage=50"}},
             Case{{"-XX:InitialRAMPercentage=5", "-Xms64m"}, {"-Xms64m"}},
             Case{{"-Xss1m", "-Xmn64m", "-Xss8m"}, {"-Xmn64m", "-Xss8m"}},
             Case{{"-Dproxy=a", "-Dproxy=b", "-Dother"}, {"-Dproxy=b", "-Dother"}},
             Case{{"-XX:+UseG1GC", "-XX:+UseParallelGC"}, {"-XX:+UseParallelGC"}},
             Case{{"-XX:+HeapDumpOnOutOfMemoryError", "-XX:-HeapDumpOnOutOfMemoryError"}, {"-XX:-HeapDumpOnOutOfMemoryError"}},
             Case{{"-XX:MaxMetaspaceSize=128m", "-verbose:gc", "-XX:MaxMetaspaceSize=256m"},
                  {"-verbose:gc", "-XX:MaxMetaspaceSize=256m"}},
             Case{{"-ea", "-verbose:gc", "-ea"}, {"-verbose:gc", "-ea"}},
             // Only a collector's own name chooses one.
             Case{{"-XX:+UseG1GC", "-XX:+UseMaximumCompactionOnSystemGC", "-XX:+UseAdaptiveSizePolicyWithSystemGC"},
                  {"-XX:+UseG1GC", "-XX:+UseMaximumCompactionOnSystemGC", "-XX:+UseAdaptiveSizePolicyWithSystemGC"}},
             Case{{"--add-opens=a=ALL-UNNAMED", "--add-opens=b=ALL-UNNAMED"},
                  {"--add-opens=a=ALL-UNNAMED", "--add-opens=b=ALL-UNNAMED"}},
         })
        EXPECT_EQ(c.out, merged(c.in));
}

TEST(OptionsFile, HeapAsAShareOfMemory) {
    unsigned percent = 0;
    bool maximum = false;
    EXPECT_TRUE(heapPercentOption("-Xmx50%", &percent, &maximum));
    EXPECT_EQ(50u, percent);
    EXPECT_TRUE(maximum);
    EXPECT_TRUE(heapPercentOption("-Xms100%", &percent, &maximum));
    EXPECT_FALSE(maximum);
    for (const char* no : {"-Xmx0%", "-Xmx101%", "-Xmx512m", "-Xmx%", "-Xmx50%x", "-Xss50%"})
        EXPECT_FALSE(heapPercentOption(no, &percent, &maximum)) << no;
}

TEST(OptionsFile, UnicodeAsPowerShellWritesIt) {
    const std::string text = "-Xmx4g\r\n-Dname=\xC3\xA9t\xC3\xA9\r\n";
    std::u16string wide = u"-Xmx4g\r\n-Dname=\u00E9t\u00E9\r\n";
    for (bool little : {true, false}) {
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t c : wide) {
            char lo = (char)(c & 0xFF), hi = (char)(c >> 8);
            bytes += little ? std::string{lo, hi} : std::string{hi, lo};
        }
        Read r = read(bytes);
        EXPECT_EQ(OPTIONS_OK, r.result);
        EXPECT_EQ((Lines{"-Xmx4g", "-Dname=\xC3\xA9t\xC3\xA9"}), r.options) << little;
    }
    EXPECT_EQ(OPTIONS_ZERO_BYTE, read(std::string("-\0X\0", 4)).result) << "without its mark it is no text";
}

TEST(OptionsFile, TwoWordOptionsAreJoinedAndJavaExesOwnLeftOut) {
    StringList words = {nullptr, 0, 0};
    for (const char* w : {"-server", "--add-opens", "java.base/java.lang=ALL-UNNAMED", "-splash:s.png", "-p", "mods", "-Dx=1",
                          "--add-exports  java.base/sun.nio.ch=ALL-UNNAMED", "--add-modules"})
        addString(&words, w);
    static std::string dropped;
    dropped.clear();
    ASSERT_TRUE(joinOptionWords(&words, [](const char* o) { dropped += o + std::string(" "); }));
    EXPECT_EQ((Lines{"--add-opens=java.base/java.lang=ALL-UNNAMED", "--module-path=mods", "-Dx=1",
                     "--add-exports=java.base/sun.nio.ch=ALL-UNNAMED", "--add-modules"}),
              Lines(words.items, words.items + words.count))
        << "a last one without its value goes as it is, for the VM to refuse";
    EXPECT_EQ("-server -splash:s.png ", dropped);
    freeStringList(&words);
}
