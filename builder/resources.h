// The resource section of a Windows image as a tree (type, name, language),
// read from and written to the format the loader searches.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A type or name: a number, or a text (stored upper-case, as the loader
// looks names up). Texts sort before numbers, as the format requires.
struct ResName {
    bool isText = false;
    uint16_t id = 0;
    std::u16string text;

    static ResName number(uint16_t n);
    static ResName named(const std::string& ascii);
    bool operator<(const ResName& o) const;
    bool operator==(const ResName& o) const { return isText == o.isText && id == o.id && text == o.text; }
    std::string describe() const;
};

using ResLanguages = std::map<uint16_t, std::vector<uint8_t>>;
using ResNames = std::map<ResName, ResLanguages>;
using ResourceTree = std::map<ResName, ResNames>;

enum : uint16_t {
    RT_CURSOR_ID = 1,
    RT_BITMAP_ID = 2,
    RT_ICON_ID = 3,
    RT_DIALOG_ID = 5,
    RT_STRING_ID = 6,
    RT_GROUP_ICON_ID = 14,
    RT_VERSION_ID = 16,
    RT_MANIFEST_ID = 24,
};

// Reads the section whose bytes start at the image address `sectionRva`.
// False, with a reason, on anything that does not lie inside the section.
bool parseResources(const uint8_t* section, size_t size, uint32_t sectionRva, ResourceTree* out, std::string* error);
// The section for a tree placed at `sectionRva` is its head (the tables,
// names and data entries; time stamps are 0) followed by each data block of
// the tree, in the tree's order, padded to 8 bytes. Returns the head and
// sets the whole section's size.
std::vector<uint8_t> resourceHead(const ResourceTree& tree, uint32_t sectionRva, size_t* sectionSize);
inline size_t resourcePadding(size_t dataSize) { return (8 - dataSize % 8) % 8; }
