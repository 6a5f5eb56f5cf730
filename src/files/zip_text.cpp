#include "files/zip_text.h"

#include <cstring>

#include "files/bytes_text.h"

enum { END_RECORD = 22, CENTRAL_HEADER = 46 };

bool zipDirectory(const uint8_t* tail, size_t n, ZipDirectory* dir) {
    if (n < END_RECORD) return false;
    // The last signature whose comment length reaches the end exactly.
    for (size_t at = n - END_RECORD + 1; at-- > 0;) {
        const uint8_t* p = tail + at;
        if (le32(p) != 0x06054b50 || at + END_RECORD + le16(p + 20) != n) continue;
        if (le32(p + 16) == 0xffffffffu || le32(p + 12) == 0xffffffffu) return false;
        dir->size = le32(p + 12);
        dir->offset = le32(p + 16);
        return true;
    }
    return false;
}

bool zipFindEntry(const uint8_t* dir, size_t n, const char* name, ZipEntry* entry) {
    size_t length = strlen(name);
    for (size_t at = 0; at + CENTRAL_HEADER <= n;) {
        const uint8_t* p = dir + at;
        if (le32(p) != 0x02014b50) return false;
        size_t nameLength = le16(p + 28), extra = le16(p + 30), comment = le16(p + 32);
        if (at + CENTRAL_HEADER + nameLength > n) return false;
        if (nameLength == length && memcmp(p + CENTRAL_HEADER, name, length) == 0) {
            entry->method = le16(p + 10);
            entry->compressedSize = le32(p + 20);
            entry->localHeader = le32(p + 42);
            return true;
        }
        at += CENTRAL_HEADER + nameLength + extra + comment;
    }
    return false;
}

size_t zipDataOffset(const uint8_t* header, size_t n) {
    if (n < ZIP_LOCAL_HEADER || le32(header) != 0x04034b50) return 0;
    return ZIP_LOCAL_HEADER + (size_t)le16(header + 26) + le16(header + 28);
}
