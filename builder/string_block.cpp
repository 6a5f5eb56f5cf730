#include "string_block.h"

#include "files/bytes_text.h"

bool decodeBlock(const uint8_t* data, size_t size, unsigned block, std::map<unsigned, Utf16>* out) {
    size_t at = 0;
    for (unsigned i = 0; i < 16; ++i) {
        if (at + 2 > size) return false;
        unsigned len = le16(data + at);
        at += 2;
        if (at + 2 * (size_t)len > size) return false;
        Utf16 s;
        for (unsigned k = 0; k < len; ++k) s.push_back((char16_t)le16(data + at + 2 * k));
        at += 2 * (size_t)len;
        if (len) (*out)[(block - 1) * 16 + i] = s;
    }
    return true;
}

std::vector<uint8_t> encodeBlock(const std::map<unsigned, Utf16>& strings, unsigned block) {
    std::vector<uint8_t> data;
    bool any = false;
    for (unsigned i = 0; i < 16; ++i) {
        auto it = strings.find((block - 1) * 16 + i);
        Utf16 s = it == strings.end() ? Utf16() : it->second;
        if (s.size() > 0xFFFF) s.resize(0xFFFF);
        any = any || !s.empty();
        appendLe16(data, (uint16_t)s.size());
        for (char16_t c : s) appendLe16(data, c);
    }
    if (!any) data.clear();
    return data;
}
