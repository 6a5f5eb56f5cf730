#include <cstdint>
#include <cstring>

#include "app/crash_report_text.h"
#include "app/options_file_text.h"

static bool lookup(const char* name, char* value, size_t cap) {
    if (cap < 2 || strlen(name) % 2) return false;
    strcpy(value, "%");
    return true;
}

// Any bytes as an options file, then its options joined and merged as the
// layers are: no read or write out of bounds, no leak, and a merge keeps no
// more than it was given; each option as a crash report's name stays
// within its buffer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StringList options = {nullptr, 0, 0};
    size_t line = 0;
    if (readOptionsFile((const char*)data, size, lookup, &options, &line) == OPTIONS_OK) {
        size_t before = options.count;
        joinOptionWords(&options, nullptr);
        mergeOptions(&options, nullptr);
        if (options.count > before) __builtin_trap();
        char name[64];
        for (size_t i = 0; i < options.count; ++i) expandErrorFileName(options.items[i], 4294967295UL, name, sizeof name);
    }
    freeStringList(&options);
    return 0;
}
