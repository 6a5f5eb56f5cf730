// The string-table resource format: strings are stored in blocks of 16, each
// entry a 16-bit length followed by that many UTF-16 units; a length of 0 is
// an absent string. Block n (from 1) holds the ids (n - 1) * 16 to n * 16 - 1.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

using Utf16 = std::u16string;

inline unsigned blockOfId(unsigned id) { return id / 16 + 1; }

// Decodes one block into the entries it holds; false on a truncated block.
bool decodeBlock(const uint8_t* data, size_t size, unsigned block, std::map<unsigned, Utf16>* out);
// Encodes the entries of `strings` that belong to `block`; empty when the
// block would hold no string at all.
std::vector<uint8_t> encodeBlock(const std::map<unsigned, Utf16>& strings, unsigned block);
