#include "files/inflate_text.h"

// A canonical Huffman decoder after RFC 1951 section 3.2: codes are read a
// bit at a time, which is slow but small, and only a header is ever wanted.
namespace {

enum { MAX_BITS = 15, MAX_LITERALS = 288, MAX_DISTANCES = 30, MAX_CODES = MAX_LITERALS + MAX_DISTANCES };

struct Bits {
    const uint8_t* in;
    size_t n, at;
    uint32_t buffer;
    int count;
    bool short_;  // the input ended inside a code
};

int take(Bits* s, int need) {
    uint32_t value = s->buffer;
    while (s->count < need) {
        if (s->at >= s->n) {
            s->short_ = true;
            return 0;
        }
        value |= (uint32_t)s->in[s->at++] << s->count;
        s->count += 8;
    }
    s->buffer = value >> need;
    s->count -= need;
    return (int)(value & ((1u << need) - 1));
}

struct Huffman {
    short count[MAX_BITS + 1];  // codes of each length
    short symbol[MAX_LITERALS];  // symbols ordered by code
};

int decode(Bits* s, const Huffman* h) {
    int code = 0, first = 0, index = 0;
    for (int length = 1; length <= MAX_BITS; ++length) {
        code |= take(s, 1);
        if (s->short_) return -1;
        int count = h->count[length];
        if (code - count < first) return h->symbol[index + (code - first)];
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return -1;
}

// 0 for a complete code, above 0 for an incomplete one, below 0 for one
// that asks for more codes than the lengths allow.
int construct(Huffman* h, const short* lengths, int n) {
    for (int length = 0; length <= MAX_BITS; ++length) h->count[length] = 0;
    for (int i = 0; i < n; ++i) h->count[lengths[i]]++;
    if (h->count[0] == n) return 0;
    int left = 1;
    for (int length = 1; length <= MAX_BITS; ++length) {
        left = (left << 1) - h->count[length];
        if (left < 0) return left;
    }
    short offsets[MAX_BITS + 1];
    offsets[1] = 0;
    for (int length = 1; length < MAX_BITS; ++length) offsets[length + 1] = (short)(offsets[length] + h->count[length]);
    for (int i = 0; i < n; ++i)
        if (lengths[i]) h->symbol[offsets[lengths[i]]++] = (short)i;
    return left;
}

struct Out {
    uint8_t* data;
    size_t want, got;
    bool full() const { return got == want; }
};

const short LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const short LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned short DISTANCE_BASE[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                          193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const short DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// One block's codes; false for damage, true at its end or once out is full.
bool codes(Bits* s, Out* out, const Huffman* lengths, const Huffman* distances) {
    for (;;) {
        int symbol = decode(s, lengths);
        if (symbol < 0) return false;
        if (symbol < 256) {
            out->data[out->got++] = (uint8_t)symbol;
            if (out->full()) return true;
            continue;
        }
        if (symbol == 256) return true;
        symbol -= 257;
        if (symbol >= 29) return false;
        size_t length = (size_t)(LENGTH_BASE[symbol] + take(s, LENGTH_EXTRA[symbol]));
        int code = decode(s, distances);
        if (code < 0 || code >= 30) return false;
        size_t distance = DISTANCE_BASE[code] + (size_t)take(s, DISTANCE_EXTRA[code]);
        // Nothing before the first byte out can be referred to.
        if (s->short_ || distance > out->got) return false;
        for (; length > 0 && !out->full(); --length, ++out->got) out->data[out->got] = out->data[out->got - distance];
        if (out->full()) return true;
    }
}

bool stored(Bits* s, Out* out) {
    s->buffer = 0;
    s->count = 0;
    if (s->n - s->at < 4) return false;
    unsigned length = s->in[s->at] | (unsigned)s->in[s->at + 1] << 8;
    unsigned check = s->in[s->at + 2] | (unsigned)s->in[s->at + 3] << 8;
    s->at += 4;
    if (length != (~check & 0xffff)) return false;
    for (; length > 0 && !out->full(); --length) {
        if (s->at >= s->n) return false;
        out->data[out->got++] = s->in[s->at++];
    }
    return true;
}

bool fixed(Bits* s, Out* out) {
    short lengths[MAX_LITERALS];
    Huffman literal, distance;
    for (int i = 0; i < MAX_LITERALS; ++i) lengths[i] = (short)(i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8);
    construct(&literal, lengths, MAX_LITERALS);
    for (int i = 0; i < MAX_DISTANCES; ++i) lengths[i] = 5;
    construct(&distance, lengths, MAX_DISTANCES);
    return codes(s, out, &literal, &distance);
}

bool dynamic(Bits* s, Out* out) {
    static const short ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int literals = take(s, 5) + 257, distances = take(s, 5) + 1, lengthCodes = take(s, 4) + 4;
    if (s->short_ || literals > MAX_LITERALS || distances > MAX_DISTANCES) return false;
    short lengths[MAX_CODES] = {0};
    for (int i = 0; i < lengthCodes; ++i) lengths[ORDER[i]] = (short)take(s, 3);
    Huffman literal, distance;
    if (s->short_ || construct(&literal, lengths, 19) != 0) return false;
    for (int i = 0; i < literals + distances;) {
        int symbol = decode(s, &literal);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[i++] = (short)symbol;
            continue;
        }
        short repeated = 0;
        int times = 0;
        if (symbol == 16) {
            if (i == 0) return false;
            repeated = lengths[i - 1];
            times = 3 + take(s, 2);
        } else {
            times = symbol == 17 ? 3 + take(s, 3) : 11 + take(s, 7);
        }
        if (s->short_ || i + times > literals + distances) return false;
        while (times--) lengths[i++] = repeated;
    }
    // A block without an end code could never end.
    if (lengths[256] == 0) return false;
    int left = construct(&literal, lengths, literals);
    if (left < 0 || (left > 0 && literals - literal.count[0] != 1)) return false;
    left = construct(&distance, lengths + literals, distances);
    if (left < 0 || (left > 0 && distances - distance.count[0] != 1)) return false;
    return codes(s, out, &literal, &distance);
}

}  // namespace

size_t inflateHead(const uint8_t* in, size_t n, uint8_t* out, size_t want) {
    Bits s = {in, n, 0, 0, 0, false};
    Out o = {out, want, 0};
    if (want == 0) return 0;
    for (bool last = false; !last && !o.full();) {
        last = take(&s, 1) != 0;
        int type = take(&s, 2);
        if (s.short_) break;
        bool ok = type == 0 ? stored(&s, &o) : type == 1 ? fixed(&s, &o) : type == 2 ? dynamic(&s, &o) : false;
        if (!ok) return o.full() ? o.got : 0;
    }
    return o.got;
}
