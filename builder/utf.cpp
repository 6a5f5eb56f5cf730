#include "utf.h"

#include <cstdint>

#include "files/utf8_text.h"

bool utf8ToUtf16(const std::string& in, std::u16string* out) {
    out->clear();
    const unsigned char* s = (const unsigned char*)in.data();
    for (size_t i = 0; i < in.size();) {
        uint32_t cp = 0;
        size_t n = decodeUtf8(s + i, in.size() - i, &cp);
        if (n == 0) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out->push_back((char16_t)(0xD800 + (cp >> 10)));
            out->push_back((char16_t)(0xDC00 + (cp & 0x3FF)));
        } else {
            out->push_back((char16_t)cp);
        }
        i += n;
    }
    return true;
}

std::string utf16ToUtf8(const std::u16string& in) {
    std::string out;
    char bytes[4];
    for (size_t i = 0; i < in.size(); ++i) {
        uint32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        out.append(bytes, encodeUtf8(cp, bytes));
    }
    return out;
}
