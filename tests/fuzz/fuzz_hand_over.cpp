#include <cstdint>
#include <cstring>

#include "supervise/instance_text.h"

// Whatever a pipe client sends: the decoder reads within the bytes, and
// what it decodes encodes again to a hand-over that decodes the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StringList items = {nullptr, 0, 0};
    if (decodeHandOver(data, size, &items)) {
        StringList words = {items.items + 1, items.count - 1, items.count - 1};
        static unsigned char again[HAND_OVER_MAX];
        size_t dropped = 0;
        size_t length = encodeHandOver(items.items[0], &words, again, sizeof again, &dropped);
        StringList back = {nullptr, 0, 0};
        if (length && !decodeHandOver(again, length, &back)) __builtin_trap();
        if (length && back.count + dropped != items.count) __builtin_trap();
        for (size_t i = 0; length && !dropped && i < back.count; ++i)
            if (strcmp(back.items[i], items.items[i]) != 0) __builtin_trap();
        freeStringList(&back);
    }
    freeStringList(&items);
    return 0;
}
