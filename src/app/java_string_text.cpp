#include "app/java_string_text.h"

#include <cstdint>

// One character: its code point and the bytes it took; U+FFFD for a byte
// that starts no valid sequence (overlong, surrogate, out of range, cut).
static size_t decode(const unsigned char* s, uint32_t* cp) {
    unsigned char c = s[0];
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 1) {
        *cp = c;
        return 1;
    }
    static const uint32_t LEAD_MASK[] = {0, 0, 0x1F, 0x0F, 0x07};
    static const uint32_t LEAST[] = {0, 0, 0x80, 0x800, 0x10000};
    uint32_t value = n ? c & LEAD_MASK[n] : 0;
    for (size_t i = 1; i < n; ++i) {
        if ((s[i] & 0xC0) != 0x80) n = 0;
        if (!n) break;
        value = value << 6 | (s[i] & 0x3F);
    }
    if (!n || value < LEAST[n] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        *cp = 0xFFFD;
        return 1;
    }
    *cp = value;
    return n;
}

static size_t encode3(uint32_t unit, char* out) {
    out[0] = (char)(0xE0 | (unit >> 12));
    out[1] = (char)(0x80 | ((unit >> 6) & 0x3F));
    out[2] = (char)(0x80 | (unit & 0x3F));
    return 3;
}

// The modified form of one code point.
static size_t encode(uint32_t cp, char* out) {
    if (cp == 0) {
        out[0] = (char)0xC0;
        out[1] = (char)0x80;
        return 2;
    }
    if (cp < 0x80) {
        out[0] = (char)cp;
        return 1;
    }
    if (cp < 0x800) {
        out[0] = (char)(0xC0 | (cp >> 6));
        out[1] = (char)(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) return encode3(cp, out);
    cp -= 0x10000;
    size_t n = encode3(0xD800 | (cp >> 10), out);
    return n + encode3(0xDC00 | (cp & 0x3FF), out + n);
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
