#include "files/text.h"

#include <cstring>

bool copyChars(char* dst, size_t cap, const char* src, size_t n) {
    if (cap == 0) return n == 0;
    dst[0] = '\0';
    return appendChars(dst, cap, src, n);
}

bool copyText(char* dst, size_t cap, const char* src) {
    return copyChars(dst, cap, src, strlen(src));
}

bool appendChars(char* dst, size_t cap, const char* src, size_t n) {
    if (cap == 0) return n == 0;
    size_t len = strnlen(dst, cap - 1);
    size_t room = cap - 1 - len;
    size_t take = n < room ? n : room;
    // A cut falls between two UTF-8 characters, never inside one.
    if (take < n)
        while (take > 0 && ((unsigned char)src[take] & 0xC0) == 0x80) --take;
    memmove(dst + len, src, take);
    dst[len + take] = '\0';
    return take == n;
}

bool appendText(char* dst, size_t cap, const char* src) {
    return appendChars(dst, cap, src, strlen(src));
}

bool appendTexts(char* dst, size_t cap, std::initializer_list<const char*> parts) {
    bool fits = true;
    for (const char* part : parts) fits = appendText(dst, cap, part) && fits;
    return fits;
}

unsigned long long decimalValue(const char* text) {
    unsigned long long value = 0;
    for (; *text >= '0' && *text <= '9' && value < (1ULL << 60); ++text) value = value * 10 + (unsigned)(*text - '0');
    return *text ? 0 : value;
}

bool appendUnsigned(char* dst, size_t cap, unsigned long long value) {
    char digits[24];
    size_t at = sizeof digits;
    do {
        digits[--at] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    return appendChars(dst, cap, digits + at, sizeof digits - at);
}

size_t utf8Prefix(const char* text, size_t maxBytes) {
    size_t len = strnlen(text, maxBytes + 1);
    if (len <= maxBytes) return len;
    size_t cut = maxBytes;
    // Step back over continuation bytes to the lead byte of the cut character.
    while (cut > 0 && ((unsigned char)text[cut] & 0xC0) == 0x80) --cut;
    return cut;
}
