// Word splitting by both rules, class-path entries and modified UTF-8 over any text: every word must be a
// piece of the input, and nothing may be read or written outside it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/java_string_text.h"
#include "app/words_text.h"
#include "files/text.h"
#include "supervise/instance_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* s = text.c_str();
    for (const char* prefix : {(const char*)nullptr, "-J"}) {
        StringList list = {nullptr, 0, 0};
        const char* stop = s;
        splitArguments(s, prefix, &list, &stop);
        if (stop < s || stop > s + strlen(s)) __builtin_trap();
        for (size_t i = 0; i < list.count; ++i) {
            if (strlen(list.items[i]) > strlen(s)) __builtin_trap();
            free(list.items[i]);
        }
        releaseListStorage(&list);
    }
    // The user's rule and the product's agree where no quote, backslash or
    // tab is in the text: the same words, and the same place to stop.
    for (const char* prefix : {(const char*)nullptr, "-J"}) {
        StringList configured = {nullptr, 0, 0}, user = {nullptr, 0, 0};
        const char *stopConfigured = s, *stopUser = s;
        bool plain = !strpbrk(s, "\"'\\\t");
        SplitResult a = splitArguments(s, prefix, &configured, &stopConfigured);
        splitCommandLine(s, prefix, &user, &stopUser);
        if (stopUser < s || stopUser > s + strlen(s)) __builtin_trap();
        if (plain && a == SPLIT_OK) {
            if (configured.count != user.count || stopConfigured != stopUser) __builtin_trap();
            for (size_t i = 0; i < user.count; ++i)
                if (strcmp(configured.items[i], user.items[i]) != 0) __builtin_trap();
        }
        freeStringList(&configured);
        freeStringList(&user);
    }
    // A hand-over started again: each word the user's rule finds, quoted
    // for a command line, splits back into itself.
    StringList words = {nullptr, 0, 0};
    const char* stop = s;
    splitCommandLine(s, nullptr, &words, &stop);
    for (size_t i = 0; i < words.count; ++i) {
        char line[512] = "";
        if (!appendCommandLineWord(line, sizeof line, words.items[i])) continue;
        StringList back = {nullptr, 0, 0};
        splitCommandLine(line, nullptr, &back, &stop);
        if (back.count != 1 || strcmp(back.items[0], words.items[i]) != 0) __builtin_trap();
        freeStringList(&back);
    }
    freeStringList(&words);
    char kind, name[16];
    bool required;
    for (const char* at = s; nextClassPathEntry(&at, &kind, &required, name, sizeof name);) {
    }
    // main's words as NewStringUTF reads them: the promised size exactly.
    size_t javaSize = modifiedUtf8Size(s);
    std::string java(javaSize + 1, '\x7f');
    if (!toModifiedUtf8(s, &java[0], javaSize + 1) || strlen(java.c_str()) != javaSize) __builtin_trap();
    return 0;
}
