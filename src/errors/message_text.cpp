#include "errors/message_text.h"

#include <cstring>

#include "files/text.h"

bool substitutePlaceholder(char* text, size_t cap, const char* placeholder, const char* value) {
    if (!*placeholder) return true;
    char* found = strstr(text, placeholder);
    if (!found) return true;
    char after[TEXT_CAP];
    bool whole = copyText(after, sizeof after, found + strlen(placeholder));
    *found = '\0';
    whole = appendText(text, cap, value) && whole;
    return appendText(text, cap, after) && whole;
}

bool substituteEvery(char* text, size_t cap, const char* placeholder, const char* value) {
    if (!*placeholder) return true;
    char done[TEXT_CAP] = "";
    bool whole = true;
    const char* rest = text;
    for (const char* found; (found = strstr(rest, placeholder)) != nullptr; rest = found + strlen(placeholder))
        whole = appendChars(done, sizeof done, rest, (size_t)(found - rest)) && appendText(done, sizeof done, value) &&
                whole;
    whole = appendText(done, sizeof done, rest) && whole;
    return copyText(text, cap, done) && whole;
}

// "a ARM64 Java" reads wrong: the article before the words follows their
// first sound.
bool substituteMachineWords(char* text, size_t cap, const char* placeholder, const char* words) {
    bool whole = true;
    if (*words && strchr("AEIOUx", *words)) {
        char article[32] = " a ", withAn[32] = " an ";
        appendText(article, sizeof article, placeholder);
        appendText(withAn, sizeof withAn, words);
        whole = substituteEvery(text, cap, article, withAn);
    }
    return substituteEvery(text, cap, placeholder, words) && whole;
}

bool fillProductWords(char* text, size_t cap, const char* name, const char* minVersion, const char* neededBits) {
    bool whole = *minVersion || substituteEvery(text, cap, " %MIN_VERSION% or newer", "");
    whole = substituteEvery(text, cap, "%NAME%", name) && whole;
    whole = substituteEvery(text, cap, "%MIN_VERSION%", minVersion) && whole;
    return substituteMachineWords(text, cap, "%NEEDED_BITS%", neededBits) && whole;
}
