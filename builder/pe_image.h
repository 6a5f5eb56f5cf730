// Reading a launcher template's image and writing it anew with another
// resource section, which always becomes the image's last section.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "resources.h"

struct PeSection {
    std::string name;
    uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

struct PeImage {
    std::vector<uint8_t> bytes;
    uint16_t machine = 0;
    bool pe32plus = false;
    size_t coffAt = 0, optionalAt = 0, sectionsAt = 0, directoriesAt = 0;
    uint32_t directoryCount = 0, fileAlignment = 0, sectionAlignment = 0;
    std::vector<PeSection> sections;
    int resourceSection = -1;  // index into sections
    int relocSection = -1;     // -1: none
    ResourceTree resources;
};

enum { SUBSYSTEM_AT = 68, SUBSYSTEM_WINDOWS = 2, SUBSYSTEM_CONSOLE = 3 };

// False, with a reason, for anything but a complete, unsigned image whose
// resource section is followed by nothing but its base relocations. With
// `signedToo`, a signature behind the last section is accepted (for reading).
bool readPeImage(std::vector<uint8_t> bytes, PeImage* out, std::string* error, bool signedToo = false);

// Receives the image's bytes in order.
using ByteSink = std::function<void(const uint8_t* data, size_t size)>;

// The image with `resources` in place of its own: the base relocations move
// up into the old resource section's place and the new resource section
// follows them, so nothing comes after it. Sizes, directories, the time
// stamp and the checksum are set; nothing else changes. The bytes go to
// `sink` piece by piece, so that large included files are never copied
// into one buffer.
// Whether the resources fit the image's 32-bit addresses behind its sections.
bool resourceSectionFits(const PeImage& image, const ResourceTree& resources, std::string* error);
void writePeImage(const PeImage& image, const ResourceTree& resources, uint32_t timeStamp, const ByteSink& sink);
std::vector<uint8_t> writePeImage(const PeImage& image, const ResourceTree& resources, uint32_t timeStamp);

// The checksum the loader checks for drivers and signing tools report.
uint32_t peChecksum(const std::vector<uint8_t>& image, size_t checksumAt);
