// SHA-256, for the content hash of a runtime the launcher carries: the
// builder computes it once, and an elevated start checks it.
#pragma once
#include <cstddef>
#include <cstdint>

struct Sha256 {
    uint32_t state[8];
    uint64_t length;
    unsigned char block[64];
    size_t used;
};

void sha256Begin(Sha256* hash);
void sha256Add(Sha256* hash, const void* bytes, size_t length);
// The digest as 64 lower-case hex digits and a terminator.
void sha256End(Sha256* hash, char hex[65]);
// Whether the processor's own SHA instructions do the rounds; `portable`
// keeps to the portable rounds (for the tests, which check both).
bool sha256Accelerated(bool portable = false);
