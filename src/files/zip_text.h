// Finding one entry of a zip archive (a jar) from its central directory,
// read in pieces by the caller: the archive's tail, then the directory,
// then the entry's local header.
#pragma once
#include <cstddef>
#include <cstdint>

// How far from the end the directory's end record may lie (its comment).
enum { ZIP_TAIL_CAP = 65535 + 22 };

struct ZipDirectory {
    uint64_t offset, size;
};
// The central directory's place, from the archive's last bytes; false
// where they hold no end record (or a ZIP64 one, whose archives are larger
// than anything read here).
bool zipDirectory(const uint8_t* tail, size_t n, ZipDirectory* dir);

struct ZipEntry {
    uint64_t localHeader;
    uint32_t compressedSize;
    uint16_t method;  // 0 stored, 8 deflated
};
// The entry named exactly `name` ("a/b/C.class") in the directory's bytes.
bool zipFindEntry(const uint8_t* dir, size_t n, const char* name, ZipEntry* entry);

enum { ZIP_LOCAL_HEADER = 30 };
// From an entry's local header (its first 30 bytes): how far behind the
// header's start its data begins; 0 for a damaged header.
size_t zipDataOffset(const uint8_t* header, size_t n);
