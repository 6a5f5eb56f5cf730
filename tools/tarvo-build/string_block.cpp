#include "string_block.h"


bool decodeBlock(const uint8_t* data, size_t size, unsigned block, std::map<unsigned, Utf16>* out) {
    size_t at = 0;
    for (unsigned i = 0; i < 16; ++i) {
        if (at + 2 > size) return false;
        unsigned len = data[at] | (data[at + 1] << 8);
        at += 2;
        if (at + 2 * (size_t)len > size) return false;
        Utf16 s;
        for (unsigned k = 0; k < len; ++k) s.push_back((char16_t)(data[at + 2 * k] | (data[at + 2 * k + 1] << 8)));
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
        data.push_back((uint8_t)(s.size() & 0xFF));
        data.push_back((uint8_t)(s.size() >> 8));
        for (char16_t c : s) {
            data.push_back((uint8_t)(c & 0xFF));
            data.push_back((uint8_t)(c >> 8));
        }
    }
    if (!any) data.clear();
    return data;
}
