// Path rules on arbitrary text: no read or write may leave the buffers.
#include <cstdint>
#include <cstring>
#include <string>

#include "files/path_text.h"
#include "files/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* s = text.c_str();
    isRelativePath(s);
    char name[64];
    copyText(name, sizeof name, s);
    cutToDirectory(name);
    char big[TEXT_CAP];
    copyText(big, sizeof big, s);
    appendText(big, sizeof big, s);
    lowerAscii(big);
    return 0;
}
