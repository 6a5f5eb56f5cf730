// The one UTF-8 codec of the launcher and the builder.
#pragma once
#include <cstddef>
#include <cstdint>

// One character from at most `avail` bytes at s: its length, with *cp set,
// or 0 when the bytes start no valid character (a stray continuation byte,
// an overlong form, a surrogate, beyond U+10FFFF, or cut short). A zero byte
// ends a sequence, so a terminated text may be read with any avail.
size_t decodeUtf8(const unsigned char* s, size_t avail, uint32_t* cp);

// Writes the bytes of cp (at most U+10FFFF; a surrogate's value takes its
// three bytes, as Java's modified form needs) to out, which holds 4 bytes.
// Returns how many were written.
size_t encodeUtf8(uint32_t cp, char* out);
