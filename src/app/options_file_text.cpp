#include "app/options_file_text.h"

#include <cstdlib>
#include <cstring>

#include "files/text.h"
#include "files/utf8_text.h"

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

OptionsFileResult readOptionsFile(const char* text, size_t length, bool (*lookup)(const char*, char*, size_t),
                                  StringList* options, size_t* line) {
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
    size_t length = strlen(option);
    // The collector selectors replace each other.
    if (startsWith(option, "-XX:+Use") && length > 10 && strcmp(option + length - 2, "GC") == 0) {
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

void mergeOptions(StringList* options, StringList* origins) {
    char key[LINE_CAP], later[LINE_CAP];
    size_t kept = 0;
    for (size_t i = 0; i < options->count; ++i) {
        optionKey(options->items[i], key, sizeof key);
        bool replaced = false;
        for (size_t j = i + 1; j < options->count && !replaced; ++j) {
            optionKey(options->items[j], later, sizeof later);
            replaced = strcmp(key, later) == 0;
        }
        if (replaced) {
            free(options->items[i]);
            if (origins) free(origins->items[i]);
            continue;
        }
        options->items[kept] = options->items[i];
        if (origins) origins->items[kept] = origins->items[i];
        ++kept;
    }
    options->count = kept;
    if (origins) origins->count = kept;
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
