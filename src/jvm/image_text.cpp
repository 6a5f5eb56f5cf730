#include "jvm/image_text.h"

static uint32_t little(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

uint16_t imageMachine(const unsigned char* data, size_t length) {
    if (length < 0x40 || data[0] != 'M' || data[1] != 'Z') return MACHINE_UNKNOWN;
    uint32_t pe = little(data + 0x3C, 4);
    if (pe > length || length - pe < 6) return MACHINE_UNKNOWN;
    if (data[pe] != 'P' || data[pe + 1] != 'E' || data[pe + 2] != 0 || data[pe + 3] != 0) return MACHINE_UNKNOWN;
    return (uint16_t)little(data + pe + 4, 2);
}

const char* machineWords(uint16_t machine) {
    switch (machine) {
        case MACHINE_I386: return "32-bit";
        case MACHINE_AMD64: return "64-bit";
        case MACHINE_ARM64: return "ARM64";
        default: return nullptr;
    }
}

// A file offset for a relative virtual address, through the section table.
static bool fileOffset(const unsigned char* image, size_t length, uint32_t sections, uint32_t count, uint32_t rva,
                       uint32_t* offset) {
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t at = sections + i * 40;
        if (at > length || length - at < 40) return false;
        uint32_t start = little(image + at + 12, 4), size = little(image + at + 8, 4);
        uint32_t raw = little(image + at + 20, 4), rawSize = little(image + at + 16, 4);
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
    uint32_t pe = little(image + 0x3C, 4);
    if (length - pe < 24) return false;
    uint32_t count = little(image + pe + 6, 2), optionalSize = little(image + pe + 20, 2);
    uint32_t optional = pe + 24;
    if (optional > length || length - optional < optionalSize || optionalSize < 2) return false;
    // The data directories follow the fixed part: 96 bytes in PE32, 112 in PE32+.
    uint32_t magic = little(image + optional, 2);
    uint32_t directories = optional + (magic == 0x20B ? 112 : 96);
    if (directories + 16 > optional + optionalSize) return false;
    uint32_t importRva = little(image + directories + 8, 4);
    if (importRva == 0) return true;  // imports nothing
    uint32_t sections = optional + optionalSize, at = 0;
    if (!fileOffset(image, length, sections, count, importRva, &at)) return false;
    for (;; at += 20) {
        if (at > length || length - at < 20) return false;
        uint32_t nameRva = little(image + at + 12, 4);
        if (nameRva == 0) return true;  // the table's closing entry
        uint32_t name = 0;
        if (!fileOffset(image, length, sections, count, nameRva, &name)) return false;
        size_t end = name;
        while (end < length && image[end]) ++end;
        if (end == length) return false;
        if (!take((const char*)image + name, context)) return true;
    }
}
