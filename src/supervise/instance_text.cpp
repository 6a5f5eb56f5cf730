#include "supervise/instance_text.h"

#include <cstdlib>
#include <cstring>

#include "files/bytes_text.h"
#include "files/text.h"
#include "files/utf8_text.h"

void instanceKey(const char* programPath, const char* userSid, unsigned long session, bool elevated, char* dst,
                 size_t cap) {
    char sessionText[24] = "";
    appendUnsigned(sessionText, sizeof sessionText, session);
    if (elevated) appendText(sessionText, sizeof sessionText, "e");
    uint64_t hash = FNV_START;
    // The terminators keep "ab"+"c" apart from "a"+"bc".
    for (const char* part : {programPath, userSid, (const char*)sessionText})
        hash = fnv1a(hash, part, strlen(part) + 1);
    char key[INSTANCE_KEY_CAP] = "tarvo-";
    hex64(hash, key + 6);
    copyText(dst, cap, key);
}

// One item: its UTF-16 units after their count.
static bool encodeItem(const char* text, unsigned char* dst, size_t cap, size_t* used) {
    size_t start = *used;
    if (cap - *used < 4) return false;
    *used += 4;
    const unsigned char* at = (const unsigned char*)text;
    while (*at) {
        uint32_t cp = 0;
        size_t n = decodeUtf8(at, 4, &cp);
        if (n == 0) return false;
        at += n;
        uint16_t units[2] = {(uint16_t)cp, 0};
        size_t count = 1;
        if (cp > 0xFFFF) {
            units[0] = (uint16_t)(0xD800 + ((cp - 0x10000) >> 10));
            units[1] = (uint16_t)(0xDC00 + ((cp - 0x10000) & 0x3FF));
            count = 2;
        }
        if (cap - *used < count * 2) return false;
        for (size_t i = 0; i < count; ++i, *used += 2) storeLe16(dst + *used, units[i]);
    }
    storeLe32(dst + start, (uint32_t)((*used - start - 4) / 2));
    return true;
}

size_t encodeHandOver(const char* folder, const StringList* words, unsigned char* dst, size_t cap, size_t* dropped) {
    if (cap > HAND_OVER_MAX) cap = HAND_OVER_MAX;
    size_t used = 0;
    *dropped = 0;
    if (!encodeItem(folder, dst, cap, &used)) return 0;
    for (size_t i = 0; i < words->count; ++i) {
        size_t before = used;
        if (encodeItem(words->items[i], dst, cap, &used)) continue;
        // A word that is not UTF-8 is no word the user typed either.
        used = before;
        ++*dropped;
    }
    return used;
}

// UTF-16 units as UTF-8; a lone surrogate becomes U+FFFD, as the system
// converts it.
static char* itemText(const unsigned char* units, size_t count) {
    char* text = (char*)malloc(count * 3 + 1);
    if (!text) return nullptr;
    size_t out = 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t cp = le16(units + 2 * i);
        uint32_t next = i + 1 < count ? le16(units + 2 * i + 2) : 0;
        if (cp >= 0xD800 && cp < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        out += encodeUtf8(cp, text + out);
    }
    text[out] = '\0';
    return text;
}

bool decodeHandOver(const unsigned char* bytes, size_t length, StringList* items) {
    size_t at = 0;
    while (at < length) {
        if (length - at < 4) return false;
        size_t count = le32(bytes + at);
        at += 4;
        if (count > (length - at) / 2) return false;
        char* text = itemText(bytes + at, count);
        if (!text || !addOwnedString(items, text)) return false;
        at += count * 2;
    }
    // Every hand-over holds the folder at least.
    return items->count > 0;
}

// As the C runtime reads it back: backslashes double only before a quote,
// and before the closing one.
bool appendCommandLineWord(char* dst, size_t cap, const char* word) {
    bool ok = appendText(dst, cap, " ");
    if (*word && !strpbrk(word, " \t\"")) return ok && appendText(dst, cap, word);
    ok = ok && appendText(dst, cap, "\"");
    size_t slashes = 0;
    for (const char* at = word; ok && *at; ++at) {
        if (*at == '\\') {
            ++slashes;
        } else {
            for (size_t i = 0; ok && *at == '"' && i <= slashes; ++i) ok = appendText(dst, cap, "\\");
            slashes = 0;
        }
        ok = ok && appendChars(dst, cap, at, 1);
    }
    for (size_t i = 0; ok && i < slashes; ++i) ok = appendText(dst, cap, "\\");
    return ok && appendText(dst, cap, "\"");
}

bool takeHandOverOptions(StringList* items, StringList* options) {
    if (items->count < 2) return false;
    const char* text = items->items[1];
    unsigned long count = 0;
    for (const char* at = text; *at; ++at) {
        if (*at < '0' || *at > '9' || count > HAND_OVER_MAX) return false;
        count = count * 10 + (unsigned long)(*at - '0');
    }
    if (!*text || count > items->count - 2) return false;
    for (size_t i = 0; i < count; ++i)
        if (!addOwnedString(options, items->items[2 + i])) {
            // Those moved go with the list; the rest stay the items'.
            for (size_t j = i; j < count; ++j) free(items->items[2 + j]);
            count = 0;
            break;
        }
    free(items->items[1]);
    size_t rest = items->count - 2 - count;
    memmove(items->items + 1, items->items + 2 + count, rest * sizeof *items->items);
    items->count = 1 + rest;
    return options->count == count;
}

const char AGAIN_WORD[] = "__tarvo_again";

const char* againTail(const char* tail, unsigned long* optionCount) {
    size_t n = sizeof AGAIN_WORD - 1;
    if (strncmp(tail, AGAIN_WORD, n) != 0 || tail[n] != ' ' || tail[n + 1] != '\'') return nullptr;
    unsigned long count = 0;
    const char* at = tail + n + 2;
    for (; *at >= '0' && *at <= '9' && count <= HAND_OVER_MAX; ++at) count = count * 10 + (unsigned long)(*at - '0');
    if (at == tail + n + 2 || *at != '\'') return nullptr;
    *optionCount = count;
    ++at;
    while (*at == ' ') ++at;
    return at;
}

bool appendAgainWords(char* dst, size_t cap, const StringList* options, const StringList* items, size_t* dropped) {
    char count[24] = "";
    appendUnsigned(count, sizeof count, options->count);
    bool ok = appendTexts(dst, cap, {" ", AGAIN_WORD, " '", count, "'"});
    GrowText option = {nullptr, 0, 0};
    for (size_t i = 0; ok && i < options->count; ++i) {
        option.length = 0;
        ok = growAppendText(&option, "-J") && growAppendText(&option, options->items[i]) &&
             appendCommandLineWord(dst, cap, option.data);
    }
    free(option.data);
    *dropped = 0;
    for (size_t i = 1; ok && i < items->count; ++i) {
        size_t before = strlen(dst);
        if (appendCommandLineWord(dst, cap, items->items[i])) continue;
        dst[before] = '\0';
        ++*dropped;
    }
    return ok;
}
