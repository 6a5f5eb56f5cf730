// What goes into one product's launcher, and writing it from a template.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pe_image.h"

struct IncludedFile {
    std::string name;  // as the launcher writes it into its extraction folder
    std::vector<uint8_t> bytes;
};

struct VersionInfo {
    bool present = false;
    uint16_t fileVersion[4] = {0, 0, 0, 0};
    uint16_t productVersion[4] = {0, 0, 0, 0};
    // Texts by their names in the version resource: FileVersion,
    // ProductVersion, CompanyName, FileDescription, LegalCopyright,
    // OriginalFilename, ProductName.
    std::map<std::string, std::string> texts;
};

struct LauncherPlan {
    // Changes to the template's string table, UTF-8; an empty text removes.
    std::map<unsigned, std::string> strings;
    // Remove the template's product-specific strings first (a new project),
    // rather than change its example configuration (the tests' way).
    bool fromDefaults = false;
    std::vector<uint8_t> icon;           // .ico file bytes; empty: none
    std::vector<uint8_t> splashBitmap;   // .bmp file bytes
    std::vector<uint8_t> splashIcon;     // .ico file bytes
    bool includeGiven = false;
    std::vector<IncludedFile> included;
    VersionInfo version;
};

// The strings a new project does not inherit from the template's example.
extern const unsigned PRODUCT_STRING_IDS[];
extern const size_t PRODUCT_STRING_COUNT;

// The launcher's bytes, or false with a reason (nothing half-made). The
// plan is taken by value, so that a caller who moves it in lends its
// included files to the image without a copy.
// Nothing reaches `sink` unless the whole launcher can be written.
bool buildLauncher(const std::vector<uint8_t>& templateBytes, LauncherPlan plan, uint32_t timeStamp,
                   const ByteSink& sink, std::string* error);
bool buildLauncher(const std::vector<uint8_t>& templateBytes, LauncherPlan plan, uint32_t timeStamp,
                   std::vector<uint8_t>* out, std::string* error);

// The string table of a launcher's resources, UTF-8.
bool readStringTable(const ResourceTree& tree, std::map<unsigned, std::string>* out, std::string* error);

// Checks an .ico file and lays it out as an icon group and its images.
bool addIconGroup(ResourceTree* tree, const ResName& group, const std::vector<uint8_t>& ico, std::string* error);
// The bitmap resource of a .bmp file: the file without its file header.
bool bitmapResource(const std::vector<uint8_t>& bmp, std::vector<uint8_t>* out, std::string* error);
std::vector<uint8_t> versionResource(const VersionInfo& info);
