// The first bytes of a deflate stream (RFC 1951), as a jar holds a class
// file: enough to read a header without a decompression library.
#pragma once
#include <cstddef>
#include <cstdint>

// Decodes the raw deflate stream `in` until `want` bytes are out or the
// stream ends; returns how many bytes were written to `out`, or 0 for a
// stream that is damaged or ends before anything is out.
size_t inflateHead(const uint8_t* in, size_t n, uint8_t* out, size_t want);
