// A damaged template: the image reader and the resource parser must stay
// inside the bytes they were given, and what they accept must be writable.
#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PeImage image;
    std::string error;
    if (!readPeImage(std::vector<uint8_t>(data, data + size), &image, &error)) {
        ResourceTree tree;
        parseResources(data, size, 0x1000, &tree, &error);
        return 0;
    }
    std::vector<uint8_t> out = writePeImage(image, image.resources, 0);
    PeImage again;
    if (!readPeImage(out, &again, &error) || !(again.resources == image.resources)) __builtin_trap();
    return 0;
}
