// The readers' text rules, apart from the resource access so they can be
// tested and fuzzed on their own.
#pragma once
#include <cstdint>

// The three comma-separated numbers packed as red | green << 8 | blue << 16,
// with green's low 16 bits, exactly like the platform's RGB macro. A missing
// number counts as 0.
uint32_t colourFromText(const char* text);
