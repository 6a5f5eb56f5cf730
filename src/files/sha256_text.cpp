#include "files/sha256_text.h"

#include <cstring>

static const uint32_t ROUND[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

static uint32_t rotate(uint32_t x, int n) { return x >> n | x << (32 - n); }

static void compress(Sha256* hash, const unsigned char* block) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = (uint32_t)block[4 * i] << 24 | (uint32_t)block[4 * i + 1] << 16 | (uint32_t)block[4 * i + 2] << 8 |
               block[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = rotate(w[i - 15], 7) ^ rotate(w[i - 15], 18) ^ w[i - 15] >> 3;
        uint32_t s1 = rotate(w[i - 2], 17) ^ rotate(w[i - 2], 19) ^ w[i - 2] >> 10;
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = hash->state[0], b = hash->state[1], c = hash->state[2], d = hash->state[3];
    uint32_t e = hash->state[4], f = hash->state[5], g = hash->state[6], h = hash->state[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t t1 = h + (rotate(e, 6) ^ rotate(e, 11) ^ rotate(e, 25)) + ((e & f) ^ (~e & g)) + ROUND[i] + w[i];
        uint32_t t2 = (rotate(a, 2) ^ rotate(a, 13) ^ rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g, g = f, f = e, e = d + t1;
        d = c, c = b, b = a, a = t1 + t2;
    }
    hash->state[0] += a, hash->state[1] += b, hash->state[2] += c, hash->state[3] += d;
    hash->state[4] += e, hash->state[5] += f, hash->state[6] += g, hash->state[7] += h;
}

// The processor's own SHA instructions where it has them (x86 since about
// 2017, in AMD's Zen and Intel's Ice Lake), several times the pace of the
// portable rounds: an elevated start hashes every byte of its runtime.
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>

// A 32-bit thread's stack is aligned to 4 bytes only, and the vectors
// spill to it.
#if defined(__i386__)
#define SHA_TARGET __attribute__((target("sha,sse4.1,ssse3"), force_align_arg_pointer))
#else
#define SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))
#endif

SHA_TARGET static void compressFast(uint32_t state[8], const unsigned char* block) {
    const __m128i order = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i swapped = _mm_shuffle_epi32(_mm_loadu_si128((const __m128i*)&state[0]), 0xB1);  // CDAB
    __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128((const __m128i*)&state[4]), 0x1B);     // EFGH
    __m128i abef = _mm_alignr_epi8(swapped, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, swapped, 0xF0);
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i m[4];
    for (int g = 0; g < 16; ++g) {
        if (g < 4) m[g] = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i*)(block + 16 * g)), order);
        __m128i words = _mm_add_epi32(m[g % 4], _mm_loadu_si128((const __m128i*)&ROUND[4 * g]));
        cdgh = _mm_sha256rnds2_epu32(cdgh, abef, words);
        if (g >= 3 && g < 15) {
            __m128i next = _mm_add_epi32(m[(g + 1) % 4], _mm_alignr_epi8(m[g % 4], m[(g + 3) % 4], 4));
            m[(g + 1) % 4] = _mm_sha256msg2_epu32(next, m[g % 4]);
        }
        abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(words, 0x0E));
        if (g >= 1 && g < 13) m[(g + 3) % 4] = _mm_sha256msg1_epu32(m[(g + 3) % 4], m[g % 4]);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
    __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128((__m128i*)&state[0], _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128((__m128i*)&state[4], _mm_alignr_epi8(dchg, feba, 8));
}

static bool processorHasSha() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3)) return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
}
#else
static void compressFast(uint32_t*, const unsigned char*) {}
static bool processorHasSha() { return false; }
#endif

// Asked once; two threads that ask at once get the same answer.
static int shaInstructions = -1;

bool sha256Accelerated(bool portable) {
    if (portable) shaInstructions = 0;
    if (shaInstructions < 0) shaInstructions = processorHasSha() ? 1 : 0;
    return shaInstructions == 1;
}

static void compressBlock(Sha256* hash, const unsigned char* block) {
    if (sha256Accelerated()) compressFast(hash->state, block);
    else compress(hash, block);
}

void sha256Begin(Sha256* hash) {
    static const uint32_t START[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    memcpy(hash->state, START, sizeof START);
    hash->length = 0;
    hash->used = 0;
}

void sha256Add(Sha256* hash, const void* bytes, size_t length) {
    const unsigned char* at = (const unsigned char*)bytes;
    hash->length += length;
    // Whole blocks straight from the input, without a copy.
    while (hash->used == 0 && length >= 64) {
        compressBlock(hash, at);
        at += 64;
        length -= 64;
    }
    while (length > 0) {
        size_t take = 64 - hash->used < length ? 64 - hash->used : length;
        memcpy(hash->block + hash->used, at, take);
        hash->used += take;
        at += take;
        length -= take;
        if (hash->used == 64) {
            compressBlock(hash, hash->block);
            hash->used = 0;
        }
    }
}

void sha256End(Sha256* hash, char hex[65]) {
    uint64_t bits = hash->length * 8;
    unsigned char pad[72] = {0x80};
    size_t padLength = (hash->used < 56 ? 56 : 120) - hash->used;
    for (int i = 0; i < 8; ++i) pad[padLength + i] = (unsigned char)(bits >> (56 - 8 * i));
    sha256Add(hash, pad, padLength + 8);
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < 32; ++i) {
        unsigned char byte = (unsigned char)(hash->state[i / 4] >> (24 - 8 * (i % 4)));
        hex[2 * i] = digits[byte >> 4];
        hex[2 * i + 1] = digits[byte & 15];
    }
    hex[64] = '\0';
}
