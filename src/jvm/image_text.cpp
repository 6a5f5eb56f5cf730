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
