// Search sequences and class-path style lists of any shape.
#include <cstdint>
#include <string>

#include "files/list_text.h"
#include "files/text.h"
#include "jvm/search_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    char letter, arg[64], key[TEXT_CAP], dir[TEXT_CAP];
    for (const char* at = text.c_str(); nextSearchEntry(&at, &letter, arg, sizeof arg);) {
        cacheKeyName(key, sizeof key, arg);
        jvmDirectoryOf(dir, sizeof dir, arg);
        javaHomeOf(dir, sizeof dir, arg);
        jvmLibraryPath(dir, sizeof dir, arg, 3);
        wrongBitnessText(key, sizeof key, arg, arg, arg, "x64", "ARM64");
    }
    char entry[32], record[128] = "";
    for (const char* at = text.c_str(); nextListEntry(&at, entry, sizeof entry);)
        appendListEntry(record, sizeof record, entry);
    return 0;
}
