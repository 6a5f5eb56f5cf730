#include "app/words_text.h"

#include <cstdlib>
#include <cstring>

#include "files/list_text.h"
#include "files/text.h"

SplitResult readQuotedWord(StringList* list, const char* quote, const char* wordStart, char quoteChar,
                           const char** next) {
    const char* close = strchr(quote + 1, quoteChar);
    if (!close) return SPLIT_WRONG_USAGE;
    size_t before = (size_t)(quote - wordStart), inside = (size_t)(close - quote - 1);
    char* word = (char*)malloc(before + inside + 1);
    if (!word) return SPLIT_NO_MEMORY;
    memcpy(word, wordStart, before);
    memcpy(word + before, quote + 1, inside);
    word[before + inside] = '\0';
    if (!addOwnedString(list, word)) return SPLIT_NO_MEMORY;
    *next = close + 1 + (close[1] == ' ' ? 1 : 0);
    return SPLIT_OK;
}

// The first of the characters at or after at, or null.
static const char* first(const char* at, char c) { return strchr(at, c); }

static bool before(const char* a, const char* b) { return a && (!b || a < b); }

SplitResult splitArguments(const char* text, const char* prefix, StringList* list, const char** stop) {
    size_t n = prefix ? strlen(prefix) : 0;
    const char* at = text;
    while (prefix ? strncmp(at, prefix, n) == 0 : *at != '\0') {
        at += n;
        const char* dq = first(at, '"');
        const char* sq = first(at, '\'');
        const char* blank = first(at, ' ');
        SplitResult result = SPLIT_OK;
        if (blank == at) {
            result = SPLIT_WRONG_USAGE;
        } else if (blank && before(blank, dq) && before(blank, sq)) {
            if (!addStringCopy(list, at, (size_t)(blank - at))) result = SPLIT_NO_MEMORY;
            at = blank + 1;
        } else if (dq && before(dq, sq)) {
            result = readQuotedWord(list, dq, at, '"', &at);
        } else if (sq) {
            result = readQuotedWord(list, sq, at, '\'', &at);
        } else {
            size_t rest = strlen(at);
            if (!addStringCopy(list, at, rest)) result = SPLIT_NO_MEMORY;
            at += rest;
        }
        if (result != SPLIT_OK) {
            *stop = at;
            return result;
        }
    }
    *stop = at;
    return SPLIT_OK;
}

bool nextClassPathEntry(const char** at, char* kind, bool* required, char* name, size_t cap) {
    const char* start;
    size_t length;
    while (nextListSpan(at, &start, &length)) {
        if (length < 2) continue;
        *kind = start[0];
        *required = start[1] == '1';
        copyChars(name, cap, start + 2, length - 2);
        return true;
    }
    return false;
}

bool stackSizeOption(const char* option, unsigned long long* bytes) {
    if (strncmp(option, "-Xss", 4) != 0) return false;
    const char* at = option + 4;
    unsigned long long value = 0;
    if (*at < '0' || *at > '9') return false;
    for (; *at >= '0' && *at <= '9'; ++at) {
        value = value * 10 + (unsigned long long)(*at - '0');
        if (value > (1ull << 32)) return false;
    }
    static const char UNITS[] = "kmgt";
    const char* unit = *at ? strchr(UNITS, *at | 0x20) : nullptr;
    if (*at && (!unit || at[1])) return false;
    for (const char* u = UNITS; unit && u <= unit; ++u) {
        value <<= 10;
        if (value > (1ull << 32)) return false;
    }
    *bytes = value;
    return true;
}

void mainClassToInternalName(char* name) {
    for (; *name; ++name)
        if (*name == '.') *name = '/';
}
