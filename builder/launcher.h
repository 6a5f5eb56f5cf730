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
    // Pictures for screens at more than 100 %, by scale (125 to 300).
    std::map<unsigned, std::vector<uint8_t>> scaledSplashBitmaps;
    std::vector<uint8_t> splashIcon;     // .ico file bytes
    bool includeGiven = false;
    std::vector<IncludedFile> included;
    // A Java runtime the launcher carries: its files by their paths below
    // the runtime's folder, sorted.
    std::vector<IncludedFile> runtime;
    VersionInfo version;
    // Written for the console, as java.exe is, rather than for windows.
    bool console = false;
};

// One configuration string, as the launcher's own table of the
// configuration has it.
struct ConfigRow {
    const char* key;  // the dotted TOML key; "" where another key sets it
    unsigned id;
    enum Kind { TEXT, NUMBER, SWITCH, SHOW_LOG, INT, SIZE, WEIGHT, COLOUR, FONT, CHAR, URL, CLASS_PATH, SEARCH } kind;
    const char* example;  // the template's value; "" where it has none
    const char* fresh;    // a new project's value; nullptr: the example's
};
extern const ConfigRow CONFIG_ROWS[];
extern const size_t CONFIG_ROW_COUNT;

// What a new project starts from: a template's string table with each row's
// value for a new project, so that it inherits none of the example
// product's own strings.
void applyNewProjectValues(std::map<unsigned, std::string>* table);

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
// "1.2.3" as {1, 2, 3, 0}: up to four numbers from 0 to 65535.
bool versionNumbers(const std::string& text, uint16_t out[4]);
// False when a text makes a node longer than its 16-bit length field.
bool versionResource(const VersionInfo& info, std::vector<uint8_t>* out);
