#include <cstdint>
#include <string>

#include "config/config_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    uint32_t c = colourFromText(text.c_str());
    // Red and blue keep 8 bits and green 16, so nothing lands above bit 23.
    if (c >> 24) __builtin_trap();
    return 0;
}
