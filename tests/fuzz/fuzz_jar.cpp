#include <cstdint>
#include <cstring>

#include "app/class_version_text.h"
#include "files/inflate_text.h"
#include "files/zip_text.h"

// Any bytes as a jar's tail, its directory and a deflated entry: no read
// outside them, no write past the head.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZipDirectory dir;
    ZipEntry entry;
    zipDirectory(data, size, &dir);
    if (zipFindEntry(data, size, "a/B.class", &entry) && entry.localHeader < size)
        zipDataOffset(data + entry.localHeader, size - (size_t)entry.localHeader);
    uint8_t head[64];
    size_t want = size ? data[0] % sizeof head : 0;
    size_t got = inflateHead(size ? data + 1 : data, size ? size - 1 : 0, head, want);
    if (got > want) __builtin_trap();
    classFileMajor(head, got);
    return 0;
}
