#include "jvm/image_text.h"

#include "files/bytes_text.h"


uint16_t imageMachine(const unsigned char* data, size_t length) {
    if (length < 0x40 || data[0] != 'M' || data[1] != 'Z') return MACHINE_UNKNOWN;
    uint32_t pe = le32(data + 0x3C);
    if (pe > length || length - pe < 6) return MACHINE_UNKNOWN;
    if (data[pe] != 'P' || data[pe + 1] != 'E' || data[pe + 2] != 0 || data[pe + 3] != 0) return MACHINE_UNKNOWN;
    return (uint16_t)le16(data + pe + 4);
}

const char* machineWords(uint16_t machine, uint16_t beside) {
    switch (machine) {
        case MACHINE_I386: return "32-bit";
        case MACHINE_AMD64: return beside == MACHINE_ARM64 ? "x64" : "64-bit";
        case MACHINE_ARM64: return "ARM64";
        default: return "another machine's";
    }
}

// A file offset for a relative virtual address, through the section table.
static bool fileOffset(const unsigned char* image, size_t length, uint32_t sections, uint32_t count, uint32_t rva,
                       uint32_t* offset) {
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t at = sections + i * 40;
        if (at > length || length - at < 40) return false;
        uint32_t start = le32(image + at + 12), size = le32(image + at + 8);
        uint32_t raw = le32(image + at + 20), rawSize = le32(image + at + 16);
        if (size < rawSize) size = rawSize;
        if (rva >= start && rva - start < size) {
            *offset = raw + (rva - start);
            return *offset < length;
        }
    }
    return false;
}

bool importedDllNames(const unsigned char* image, size_t length, bool (*take)(const char* name, void* context),
                      void* context) {
    uint16_t machine = imageMachine(image, length);
    if (machine == MACHINE_UNKNOWN) return false;
    uint32_t pe = le32(image + 0x3C);
    if (length - pe < 24) return false;
    uint32_t count = le16(image + pe + 6), optionalSize = le16(image + pe + 20);
    uint32_t optional = pe + 24;
    if (optional > length || length - optional < optionalSize || optionalSize < 2) return false;
    // The data directories follow the fixed part: 96 bytes in PE32, 112 in PE32+.
    uint32_t magic = le16(image + optional);
    uint32_t directories = optional + (magic == 0x20B ? 112 : 96);
    if (directories + 16 > optional + optionalSize) return false;
    uint32_t importRva = le32(image + directories + 8);
    if (importRva == 0) return true;  // imports nothing
    uint32_t sections = optional + optionalSize, at = 0;
    if (!fileOffset(image, length, sections, count, importRva, &at)) return false;
    for (;; at += 20) {
        if (at > length || length - at < 20) return false;
        uint32_t nameRva = le32(image + at + 12);
        if (nameRva == 0) return true;  // the table's closing entry
        uint32_t name = 0;
        if (!fileOffset(image, length, sections, count, nameRva, &name)) return false;
        size_t end = name;
        while (end < length && image[end]) ++end;
        if (end == length) return false;
        if (!take((const char*)image + name, context)) return true;
    }
}
