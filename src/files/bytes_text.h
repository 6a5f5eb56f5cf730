// Little-endian fields of Windows images and resources: the one set of
// readers and writers of the launcher and the builder.
#pragma once
#include <cstddef>
#include <cstdint>

inline uint16_t le16(const unsigned char* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

inline void storeLe16(unsigned char* p, uint16_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}
inline void storeLe32(unsigned char* p, uint32_t v) {
    storeLe16(p, (uint16_t)v);
    storeLe16(p + 2, (uint16_t)(v >> 16));
}

// FNV-1a, 64 bits: the names that stand for a set of facts (an instance's,
// an archive's), never a defence against a chosen collision.
enum : uint64_t { FNV_START = 0xcbf29ce484222325ULL };
inline uint64_t fnv1a(uint64_t hash, const void* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) hash = (hash ^ ((const unsigned char*)bytes)[i]) * 0x100000001b3ULL;
    return hash;
}
// 16 lower-case hex digits and a terminator.
inline void hex64(uint64_t value, char* out) {
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) out[i] = digits[(value >> (60 - 4 * i)) & 15];
    out[16] = '\0';
}

// Whether two runs of bytes are the same, eight at a time: a system's
// memcmp may compare one byte at a time, and a copy's check compares tens
// of megabytes.
inline bool sameBytes(const void* a, const void* b, size_t n) {
    const unsigned char *p = (const unsigned char*)a, *q = (const unsigned char*)b;
    uint64_t differ = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        __builtin_memcpy(&x, p + i, 8);
        __builtin_memcpy(&y, q + i, 8);
        differ |= x ^ y;
    }
    for (; i < n; ++i) differ |= p[i] ^ q[i];
    return differ == 0;
}

// Appends to any byte container with push_back.
template <class Bytes>
void appendLe16(Bytes& bytes, uint16_t v) {
    bytes.push_back((unsigned char)v);
    bytes.push_back((unsigned char)(v >> 8));
}
template <class Bytes>
void appendLe32(Bytes& bytes, uint32_t v) {
    appendLe16(bytes, (uint16_t)v);
    appendLe16(bytes, (uint16_t)(v >> 16));
}
