#include "app/options_file_text.h"

#include <cstdlib>
#include <cstring>

#include "files/text.h"
#include "files/utf8_text.h"

#include <cstdint>

enum { LINE_CAP = 8192 };

static bool validUtf8(const char* text, size_t length) {
    for (size_t at = 0; at < length;) {
        uint32_t cp = 0;
        size_t n = decodeUtf8((const unsigned char*)text + at, length - at, &cp);
        if (n == 0) return false;
        at += n;
    }
    return true;
}

// %NAME% by the variable's value; a name with no value stays as written.
static bool expandVariables(const char* line, bool (*lookup)(const char*, char*, size_t), char* out, size_t cap) {
    out[0] = '\0';
    bool fits = true;
    for (const char* at = line; *at;) {
        const char* open = strchr(at, '%');
        const char* close = open ? strchr(open + 1, '%') : nullptr;
        if (!close) return appendText(out, cap, at) && fits;
        fits = appendChars(out, cap, at, (size_t)(open - at)) && fits;
        char name[LINE_CAP], value[LINE_CAP];
        copyChars(name, sizeof name, open + 1, (size_t)(close - open - 1));
        if (name[0] && lookup(name, value, sizeof value)) {
            fits = appendText(out, cap, value) && fits;
            at = close + 1;
        } else {
            // Not a variable: the first "%" is text, and the second may open one.
            fits = appendChars(out, cap, open, (size_t)(close - open)) && fits;
            at = close;
        }
    }
    return fits;
}

static bool startsWith(const char* text, const char* head) { return strncmp(text, head, strlen(head)) == 0; }

// -Xmx<N>% or -Xms<N>% whose N no share of memory can be: a VM given it
// ends the process in its start.
static bool heapShareOutOfRange(const char* option) {
    if (!startsWith(option, "-Xmx") && !startsWith(option, "-Xms")) return false;
    const char* at = option + 4;
    size_t digits = strspn(at, "0123456789");
    if (digits == 0 || strcmp(at + digits, "%") != 0) return false;
    unsigned percent = 0;
    bool maximum = false;
    return !heapPercentOption(option, &percent, &maximum);
}

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

// UTF-16 with its byte-order mark (what PowerShell 5.1 writes) as UTF-8, in
// a new allocation; nullptr for any other text. A lone surrogate reads as
// U+FFFD, which is no option's character.
static char* fromUtf16(const char* text, size_t length, size_t* out) {
    if (length < 2) return nullptr;
    bool little = (unsigned char)text[0] == 0xFF && (unsigned char)text[1] == 0xFE;
    bool big = (unsigned char)text[0] == 0xFE && (unsigned char)text[1] == 0xFF;
    if (!little && !big) return nullptr;
    // Each unit gives at most 3 bytes; a pair, 4 for 2 units.
    char* utf8 = (char*)malloc((length / 2) * 3 + 1);
    if (!utf8) return nullptr;
    size_t at = 0;
    auto unit = [&](size_t i) -> uint32_t {
        const unsigned char* p = (const unsigned char*)text + i;
        return little ? (uint32_t)(p[0] | p[1] << 8) : (uint32_t)(p[0] << 8 | p[1]);
    };
    for (size_t i = 2; i + 1 < length; i += 2) {
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < length && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        at += encodeUtf8(cp, utf8 + at);
    }
    utf8[at] = '\0';
    *out = at;
    return utf8;
}

static OptionsFileResult readUtf8Options(const char* text, size_t length,
                                         bool (*lookup)(const char*, char*, size_t), StringList* options,
                                         size_t* line);

OptionsFileResult readOptionsFile(const char* text, size_t length, bool (*lookup)(const char*, char*, size_t),
                                  StringList* options, size_t* line) {
    size_t converted = 0;
    char* utf8 = fromUtf16(text, length, &converted);
    if (!utf8) return readUtf8Options(text, length, lookup, options, line);
    OptionsFileResult result = readUtf8Options(utf8, converted, lookup, options, line);
    free(utf8);
    return result;
}

static OptionsFileResult readUtf8Options(const char* text, size_t length,
                                         bool (*lookup)(const char*, char*, size_t), StringList* options,
                                         size_t* line) {
    *line = 0;
    if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
        text += 3;
        length -= 3;
    }
    StringList taken = {nullptr, 0, 0};
    OptionsFileResult result = OPTIONS_OK;
    char expanded[LINE_CAP];
    for (size_t at = 0; at < length && result == OPTIONS_OK;) {
        ++*line;
        const char* start = text + at;
        const char* end = (const char*)memchr(start, '\n', length - at);
        size_t size = end ? (size_t)(end - start) : length - at;
        at += size + (end ? 1 : 0);
        if (size > 0 && start[size - 1] == '\r') --size;
        if (memchr(start, '\0', size)) result = OPTIONS_ZERO_BYTE;
        else if (size >= LINE_CAP) result = OPTIONS_LINE_TOO_LONG;
        else if (!validUtf8(start, size)) result = OPTIONS_NOT_UTF8;
        if (result != OPTIONS_OK) break;
        while (size > 0 && isBlank(*start)) ++start, --size;
        while (size > 0 && isBlank(start[size - 1])) --size;
        if (size == 0 || start[0] == '#') continue;
        char raw[LINE_CAP];
        copyChars(raw, sizeof raw, start, size);
        if (!expandVariables(raw, lookup, expanded, sizeof expanded)) result = OPTIONS_LINE_TOO_LONG;
        else if (heapShareOutOfRange(expanded)) result = OPTIONS_HEAP_SHARE;
        else if (!addString(&taken, expanded)) result = OPTIONS_NO_MEMORY;
    }
    if (result != OPTIONS_OK) {
        freeStringList(&taken);
        return result;
    }
    *line = 0;
    for (size_t i = 0; i < taken.count; ++i)
        if (!addOwnedString(options, taken.items[i])) result = OPTIONS_NO_MEMORY;
    releaseListStorage(&taken);
    return result;
}

const char* optionsFileFault(OptionsFileResult result) {
    switch (result) {
        case OPTIONS_LINE_TOO_LONG: return "the line is longer than 8191 bytes";
        case OPTIONS_ZERO_BYTE: return "the line holds a zero byte";
        case OPTIONS_NOT_UTF8: return "the line is not UTF-8";
        case OPTIONS_NO_MEMORY: return "not enough memory";
        case OPTIONS_HEAP_SHARE: return "a share of memory for the heap must be from 1% to 100%";
        case OPTIONS_OK: break;
    }
    return "";
}

void optionKey(const char* option, char* key, size_t cap) {
    // The heap's bounds, however they are given.
    if (startsWith(option, "-Xmx") || startsWith(option, "-XX:MaxRAMPercentage=") ||
        startsWith(option, "-XX:MaxRAM=")) {
        copyText(key, cap, "heap maximum");
        return;
    }
    if (startsWith(option, "-Xms") || startsWith(option, "-XX:InitialRAMPercentage=")) {
        copyText(key, cap, "heap start");
        return;
    }
    for (const char* size : {"-Xss", "-Xmn"})
        if (startsWith(option, size)) {
            copyText(key, cap, size);
            return;
        }
    // The collector selectors replace each other; only they, by their names
    // (-XX:+UseMaximumCompactionOnSystemGC chooses none).
    static const char* const COLLECTORS[] = {"-XX:+UseSerialGC",  "-XX:+UseParallelGC",     "-XX:+UseParallelOldGC",
                                             "-XX:+UseG1GC",      "-XX:+UseConcMarkSweepGC", "-XX:+UseParNewGC",
                                             "-XX:+UseZGC",       "-XX:+UseShenandoahGC",    "-XX:+UseEpsilonGC"};
    for (const char* collector : COLLECTORS)
        if (strcmp(option, collector) == 0) {
            copyText(key, cap, "collector");
            return;
        }
    if (startsWith(option, "-D") || startsWith(option, "-XX:")) {
        const char* name = option + (option[1] == 'D' ? 2 : 4);
        if (option[1] == 'X' && (*name == '+' || *name == '-')) ++name;
        copyChars(key, cap, option, (size_t)(option[1] == 'D' ? 2 : 4));
        appendChars(key, cap, name, strcspn(name, "="));
        return;
    }
    copyText(key, cap, option);
}

// FNV-1a: the keys go into a table of their hashes, so that a merge of
// many options takes one pass rather than one for each pair.
static uint32_t keyHash(const char* key) {
    uint32_t h = 2166136261u;
    for (; *key; ++key) h = (h ^ (unsigned char)*key) * 16777619u;
    return h;
}

bool mergeOptions(StringList* options, StringList* origins) {
    size_t n = options->count, slots = 16;
    while (slots < n * 2) slots *= 2;
    char** keys = (char**)calloc(n ? n : 1, sizeof(char*));
    size_t* table = (size_t*)calloc(slots, sizeof(size_t));  // index + 1 of the key's last option; 0 free
    bool* keep = (bool*)calloc(n ? n : 1, sizeof(bool));
    bool ok = keys && table && keep;
    char key[LINE_CAP];
    for (size_t i = 0; ok && i < n; ++i) {
        optionKey(options->items[i], key, sizeof key);
        ok = (keys[i] = strdup(key)) != nullptr;
    }
    // From the last option back: the first of each key met is the one kept.
    for (size_t i = n; ok && i-- > 0;) {
        size_t slot = keyHash(keys[i]) & (slots - 1);
        while (table[slot] && strcmp(keys[table[slot] - 1], keys[i]) != 0) slot = (slot + 1) & (slots - 1);
        keep[i] = !table[slot];
        if (!table[slot]) table[slot] = i + 1;
    }
    size_t kept = 0;
    for (size_t i = 0; ok && i < n; ++i) {
        if (!keep[i]) {
            free(options->items[i]);
            if (origins) free(origins->items[i]);
            continue;
        }
        options->items[kept] = options->items[i];
        if (origins) origins->items[kept] = origins->items[i];
        ++kept;
    }
    if (ok) {
        options->count = kept;
        if (origins) origins->count = kept;
    }
    for (size_t i = 0; keys && i < n; ++i) free(keys[i]);
    free(keys);
    free(table);
    free(keep);
    return ok;
}

// The options that java.exe reads as two words and the VM only as one.
static const char* const TWO_WORD_OPTIONS[][2] = {
    {"--add-opens", "--add-opens="},       {"--add-exports", "--add-exports="},
    {"--add-reads", "--add-reads="},       {"--add-modules", "--add-modules="},
    {"--module-path", "--module-path="},   {"-p", "--module-path="},
    {"--upgrade-module-path", "--upgrade-module-path="}, {"--limit-modules", "--limit-modules="},
    {"--patch-module", "--patch-module="}, {"--enable-native-access", "--enable-native-access="},
};
// Options of java.exe itself, which no VM takes.
static const char* const LAUNCHER_ONLY[] = {"-server", "-client", "-showversion", "-version", "-d32", "-d64"};

static char* joinedOption(const char* head, const char* value) {
    size_t length = strlen(head) + strlen(value) + 1;
    char* joined = (char*)malloc(length);
    if (joined) {
        copyText(joined, length, head);
        appendText(joined, length, value);
    }
    return joined;
}

static bool isLauncherOnly(const char* word) {
    for (const char* only : LAUNCHER_ONLY)
        if (strcmp(word, only) == 0) return true;
    // java.exe's own splash, which no VM takes.
    return strncmp(word, "-splash:", 8) == 0;
}

bool joinOptionWords(StringList* words, void (*dropped)(const char* option)) {
    size_t kept = 0;
    bool ok = true;
    for (size_t i = 0; i < words->count; ++i) {
        char* word = words->items[i];
        if (isLauncherOnly(word)) {
            if (dropped) dropped(word);
            free(word);
            continue;
        }
        for (const auto& pair : TWO_WORD_OPTIONS) {
            size_t name = strlen(pair[0]);
            if (strncmp(word, pair[0], name) != 0) continue;
            // Both words on one line of a file, as java.exe's argument files
            // allow, or the value as the next word.
            const char* value = word[name] == ' ' ? word + name + strspn(word + name, " \t") : nullptr;
            if (value && !*value) value = nullptr;
            bool next = !word[name] && i + 1 < words->count;
            if (!value && !next) continue;
            char* joined = joinedOption(pair[1], value ? value : words->items[i + 1]);
            if (!joined) {
                ok = false;
                break;
            }
            if (next) free(words->items[++i]);
            free(word);
            word = joined;
            break;
        }
        words->items[kept++] = word;
    }
    words->count = kept;
    return ok;
}

bool heapPercentOption(const char* option, unsigned* percent, bool* maximum) {
    if (!startsWith(option, "-Xmx") && !startsWith(option, "-Xms")) return false;
    const char* at = option + 4;
    unsigned value = 0;
    size_t digits = 0;
    for (; *at >= '0' && *at <= '9' && digits < 4; ++at, ++digits) value = value * 10 + (unsigned)(*at - '0');
    if (digits == 0 || at[0] != '%' || at[1] != '\0' || value < 1 || value > 100) return false;
    *percent = value;
    *maximum = option[3] == 'x';
    return true;
}
