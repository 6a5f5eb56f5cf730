#include "app/java_string_text.h"

#include <cstdint>

#include "files/utf8_text.h"

// One character and the bytes it took; U+FFFD for a byte that starts no
// valid sequence.
static size_t decode(const unsigned char* s, uint32_t* cp) {
    size_t n = decodeUtf8(s, 4, cp);
    if (n) return n;
    *cp = 0xFFFD;
    return 1;
}

// The modified form of one code point: zero as two bytes, and a character
// beyond the first 65,536 as its two surrogates.
static size_t encode(uint32_t cp, char* out) {
    if (cp == 0) {
        out[0] = (char)0xC0;
        out[1] = (char)0x80;
        return 2;
    }
    if (cp < 0x10000) return encodeUtf8(cp, out);
    cp -= 0x10000;
    size_t n = encodeUtf8(0xD800 | (cp >> 10), out);
    return n + encodeUtf8(0xDC00 | (cp & 0x3FF), out + n);
}

size_t modifiedUtf8Size(const char* utf8) {
    const unsigned char* s = (const unsigned char*)utf8;
    size_t size = 0;
    char unit[6];
    for (uint32_t cp; *s;) {
        s += decode(s, &cp);
        size += encode(cp, unit);
    }
    return size;
}

bool toModifiedUtf8(const char* utf8, char* out, size_t cap) {
    if (cap == 0) return false;
    const unsigned char* s = (const unsigned char*)utf8;
    size_t at = 0;
    char unit[6];
    for (uint32_t cp; *s;) {
        s += decode(s, &cp);
        size_t n = encode(cp, unit);
        if (at + n > cap - 1) {
            out[at] = '\0';
            return false;
        }
        for (size_t i = 0; i < n; ++i) out[at++] = unit[i];
    }
    out[at] = '\0';
    return true;
}

// A surrogate written as three bytes: its value, or 0 when these are not one.
static uint32_t surrogateAt(const unsigned char* s) {
    if (s[0] != 0xED || (s[1] & 0xE0) != 0xA0 || (s[2] & 0xC0) != 0x80) return 0;
    return 0xD000u | (uint32_t)(s[1] & 0x3F) << 6 | (s[2] & 0x3F);
}

void fromModifiedUtf8(const char* modified, char* out, size_t cap) {
    if (cap == 0) return;
    const unsigned char* s = (const unsigned char*)modified;
    size_t at = 0;
    char unit[4];
    while (*s) {
        uint32_t cp = 0, high = surrogateAt(s), low = high ? surrogateAt(s + 3) : 0;
        size_t used = decodeUtf8(s, 4, &cp);
        if (high >= 0xD800 && high < 0xDC00 && low >= 0xDC00) {
            cp = 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
            used = 6;
        } else if (s[0] == 0xC0 && s[1] == 0x80) {
            cp = ' ';
            used = 2;
        } else if (!used) {
            cp = 0xFFFD;
            used = 1;
        }
        size_t n = encodeUtf8(cp, unit);
        if (at + n > cap - 1) break;
        for (size_t i = 0; i < n; ++i) out[at++] = unit[i];
        s += used;
    }
    out[at] = '\0';
}
