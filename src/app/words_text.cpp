#include "app/words_text.h"

#include <cstdlib>
#include <cstring>

#include "files/list_text.h"
#include "files/text.h"

// A word that begins with a quote runs to the matching quote, which ends it.
static SplitResult readQuotedWord(StringList* list, const char* quote, const char** next) {
    const char* close = strchr(quote + 1, *quote);
    if (!close) return SPLIT_WRONG_USAGE;
    if (!addStringCopy(list, quote + 1, (size_t)(close - quote - 1))) return SPLIT_NO_MEMORY;
    *next = close + 1;
    return SPLIT_OK;
}

static const char* skipBlanks(const char* at) {
    while (*at == ' ') ++at;
    return at;
}

SplitResult splitArguments(const char* text, const char* prefix, StringList* list, const char** stop) {
    size_t n = prefix ? strlen(prefix) : 0;
    const char* at = skipBlanks(text);
    SplitResult result = SPLIT_OK;
    while (result == SPLIT_OK && (prefix ? strncmp(at, prefix, n) == 0 : *at != '\0')) {
        at += n;
        if (*at == '"' || *at == '\'') {
            result = readQuotedWord(list, at, &at);
        } else if (*at == ' ') {
            result = SPLIT_WRONG_USAGE;  // a prefix with no word behind it
        } else {
            // Quotes inside a word are its own characters: O'Brien.txt.
            size_t length = strcspn(at, " ");
            if (!addStringCopy(list, at, length)) result = SPLIT_NO_MEMORY;
            at += length;
        }
        if (result == SPLIT_OK) at = skipBlanks(at);
    }
    *stop = at;
    return result;
}

// One word by the rules of the Windows C runtime, from *at: blanks and tabs
// end it outside quotes; 2n backslashes before a quote give n and the quote
// opens or closes a quoted run, 2n + 1 give n and a quote; "" inside a
// quoted run is a quote; other backslashes are themselves.
static bool readRuntimeWord(const char** at, GrowText* word) {
    const char* p = *at;
    bool quoted = false;
    for (;;) {
        size_t backslashes = 0;
        while (*p == '\\') ++p, ++backslashes;
        bool copy = true;
        if (*p == '"') {
            if (backslashes % 2 == 0) {
                if (quoted && p[1] == '"') ++p;
                else copy = false, quoted = !quoted;
            }
            backslashes /= 2;
        }
        for (; backslashes > 0; --backslashes)
            if (!growAppend(word, "\\", 1)) return false;
        if (*p == '\0' || (!quoted && (*p == ' ' || *p == '\t'))) break;
        if (copy && !growAppend(word, p, 1)) return false;
        ++p;
    }
    *at = p;
    return true;
}

static const char* skipSpace(const char* at) {
    while (*at == ' ' || *at == '\t') ++at;
    return at;
}

SplitResult splitCommandLine(const char* text, const char* prefix, StringList* list, const char** stop, size_t most) {
    size_t n = prefix ? strlen(prefix) : 0;
    const char* at = skipSpace(text);
    for (size_t taken = 0; *at && taken < most; ++taken) {
        const char* next = at;
        GrowText word = {nullptr, 0, 0};
        if (!readRuntimeWord(&next, &word) || !growAppendText(&word, "")) {
            free(word.data);
            *stop = at;
            return SPLIT_NO_MEMORY;
        }
        if (prefix && strncmp(word.data, prefix, n) != 0) {
            free(word.data);
            break;
        }
        if (prefix && !word.data[n]) {
            free(word.data);
            *stop = at;
            return SPLIT_WRONG_USAGE;
        }
        bool added = addString(list, word.data + n);
        free(word.data);
        if (!added) {
            *stop = at;
            return SPLIT_NO_MEMORY;
        }
        at = skipSpace(next);
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
