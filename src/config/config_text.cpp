#include "config/config_text.h"

#include <cstdlib>

// Mirrors strtok over "," without its hidden global position, so a reader
// can never disturb a tokeniser of its caller.
static const char* nextPiece(const char* at) {
    while (*at == ',') ++at;
    return *at ? at : nullptr;
}

static const char* skipPiece(const char* at) {
    while (*at && *at != ',') ++at;
    return at;
}

uint32_t colourFromText(const char* text) {
    int parts[3] = {0, 0, 0};
    const char* at = text;
    for (int i = 0; i < 3; ++i) {
        const char* piece = nextPiece(at);
        if (!piece) break;
        parts[i] = atoi(piece);
        at = skipPiece(piece);
    }
    uint32_t red = (uint32_t)parts[0] & 0xFFu;
    uint32_t green = (uint32_t)parts[1] & 0xFFFFu;
    uint32_t blue = (uint32_t)parts[2] & 0xFFu;
    return red | (green << 8) | (blue << 16);
}
