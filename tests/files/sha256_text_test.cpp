#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "files/sha256_text.h"

namespace {

std::string digest(const std::string& text, size_t part) {
    Sha256 hash;
    sha256Begin(&hash);
    for (size_t at = 0; at < text.size(); at += part) sha256Add(&hash, text.data() + at, std::min(part, text.size() - at));
    char hex[65];
    sha256End(&hash, hex);
    return hex;
}

}  // namespace

// The published vectors, fed whole and in odd parts across block edges,
// with the processor's SHA instructions where it has them, then without.
TEST(Sha256, MatchesThePublishedVectorsInAnyParts) {
    printf("SHA instructions: %s\n", sha256Accelerated() ? "used" : "none");
    for (int round = 0; round < 2; ++round, sha256Accelerated(true)) {
        for (size_t part : {1u, 7u, 64u, 1000u}) {
            EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", digest("", part));
            EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", digest("abc", part));
            EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
                      digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", part));
            EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
                      digest(std::string(1000000, 'a'), part * 1000));
        }
    }
}
