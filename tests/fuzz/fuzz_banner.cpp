// The version banner arrives in arbitrary pieces; parsing must stay inside
// what arrived, and the range tests must never read past their texts.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "files/text.h"
#include "jvm/image_text.h"
#include "files/version_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string out(reinterpret_cast<const char*>(data), size);
    char version[TEXT_CAP];
    for (size_t cut = 0; cut <= out.size(); cut += 1 + out.size() / 8) {
        // Exactly the bytes that arrived, with no terminator to lean on.
        std::vector<char> part(out.begin(), out.begin() + cut);
        if (parseBanner(part.data(), part.size(), cut == out.size(), version, sizeof version) == BANNER_OK) {
            if (strlen(version) >= cut) __builtin_trap();
            versionInRange(version, out.c_str(), "");
        }
    }
    size_t third = out.size() / 3;
    std::string a = out.substr(0, third), b = out.substr(third, third), c = out.substr(2 * third);
    versionInRange(a.c_str(), b.c_str(), c.c_str());
    versionNameInRange(a.c_str(), b.c_str(), c.c_str());
    if (parseReleaseVersion(out.data(), out.size(), version, sizeof version) && strlen(version) >= out.size())
        __builtin_trap();
    imageMachine(data, size);
    // Every name handed on lies inside the image, terminated there.
    static const uint8_t* base;
    static size_t length;
    base = data;
    length = size;
    importedDllNames(data, size, [](const char* name, void*) {
        const uint8_t* p = (const uint8_t*)name;
        if (p < base || p >= base + length || !memchr(p, 0, (size_t)(base + length - p))) __builtin_trap();
        return true;
    }, nullptr);
    return 0;
}
