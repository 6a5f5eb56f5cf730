#include "launcher.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "files/bytes_text.h"
#include "files/sha256_text.h"

#include "string_block.h"
#include "utf.h"

const ConfigRow CONFIG_ROWS[] = {
#define SAME nullptr
#define CONFIG_STRING(name, number, key, kind, example, fresh) {key, number, ConfigRow::kind, example, fresh},
#include "config_table.inc"
#undef CONFIG_STRING
#undef SAME
};
const size_t CONFIG_ROW_COUNT = sizeof CONFIG_ROWS / sizeof CONFIG_ROWS[0];

void applyNewProjectValues(std::map<unsigned, std::string>* table) {
    for (const ConfigRow& row : CONFIG_ROWS) {
        if (!row.fresh) continue;
        if (*row.fresh)
            (*table)[row.id] = row.fresh;
        else
            table->erase(row.id);
    }
}

namespace {

enum { LANG_NEUTRAL_ID = 0 };

void pad4(std::vector<uint8_t>& b) {
    while (b.size() % 4) b.push_back(0);
}

bool applyStrings(ResourceTree* tree, const std::map<unsigned, std::string>& changes, bool fromDefaults,
                  std::string* error) {
    std::map<unsigned, std::string> table;
    if (!readStringTable(*tree, &table, error)) return false;
    if (fromDefaults) applyNewProjectValues(&table);
    for (auto& change : changes) table[change.first] = change.second;
    std::map<unsigned, Utf16> wide;
    for (auto& entry : table) {
        if (entry.second.empty()) continue;
        if (!utf8ToUtf16(entry.second, &wide[entry.first]))
            return *error = "string " + std::to_string(entry.first) + " is not UTF-8", false;
        if (wide[entry.first].size() > 8191)
            return *error = "string " + std::to_string(entry.first) + " is longer than 8191 characters", false;
    }
    ResNames& blocks = (*tree)[ResName::number(RT_STRING_ID)];
    blocks.clear();
    for (unsigned block = 1; block <= 4096; ++block) {
        std::vector<uint8_t> data = encodeBlock(wide, block);
        if (!data.empty()) blocks[ResName::number((uint16_t)block)][LANG_NEUTRAL_ID] = data;
    }
    return true;
}

uint16_t nextIconId(const ResourceTree& tree) {
    auto icons = tree.find(ResName::number(RT_ICON_ID));
    uint16_t next = 1;
    if (icons != tree.end())
        for (auto& icon : icons->second)
            if (!icon.first.isText && icon.first.id >= next) next = (uint16_t)(icon.first.id + 1);
    return next;
}


// The content hash of files that the launcher copies once for each
// content: over each file's path, size and bytes, in their order.
std::string contentHash(const std::vector<IncludedFile>& files) {
    Sha256 hash;
    sha256Begin(&hash);
    for (const IncludedFile& f : files) {
        std::string size = std::to_string(f.bytes.size());
        sha256Add(&hash, f.name.c_str(), f.name.size() + 1);
        sha256Add(&hash, size.c_str(), size.size() + 1);
        sha256Add(&hash, f.bytes.data(), f.bytes.size());
    }
    char hex[65];
    sha256End(&hash, hex);
    return hex;
}

// The files as resources <prefix><n>, and the index <prefix>INDEX that
// lists each with its size, one a line: the launcher writes the index last,
// as the mark of a whole copy.
void addCopiedFiles(ResourceTree* tree, const char* type, const std::string& prefix, std::vector<IncludedFile>* list,
                    bool withIndex) {
    ResNames& files = (*tree)[ResName::named(type)];
    files.clear();
    std::string index;
    for (size_t i = 0; i < list->size(); ++i) {
        std::vector<uint8_t>& bytes = (*list)[i].bytes;
        index += std::to_string(bytes.size()) + " " + (*list)[i].name + "\n";
        files[ResName::named(prefix + std::to_string(i))][LANG_NEUTRAL_ID].swap(bytes);
    }
    if (withIndex) files[ResName::named(prefix + "INDEX")][LANG_NEUTRAL_ID].assign(index.begin(), index.end());
    if (files.empty()) tree->erase(ResName::named(type));
}

}  // namespace

bool readStringTable(const ResourceTree& tree, std::map<unsigned, std::string>* out, std::string* error) {
    out->clear();
    auto blocks = tree.find(ResName::number(RT_STRING_ID));
    if (blocks == tree.end()) return true;
    for (auto& block : blocks->second) {
        if (block.first.isText || block.second.empty()) continue;
        const std::vector<uint8_t>& data = block.second.begin()->second;
        std::map<unsigned, Utf16> wide;
        if (!decodeBlock(data.data(), data.size(), block.first.id, &wide))
            return *error = "string block " + std::to_string(block.first.id) + " is damaged", false;
        for (auto& entry : wide) (*out)[entry.first] = utf16ToUtf8(entry.second);
    }
    return true;
}

bool addIconGroup(ResourceTree* tree, const ResName& group, const std::vector<uint8_t>& ico, std::string* error) {
    if (ico.size() < 6 || le16(ico.data() + 0) != 0 || le16(ico.data() + 2) != 1 || le16(ico.data() + 4) == 0)
        return *error = "not an icon file (.ico)", false;
    size_t count = le16(ico.data() + 4);
    if (ico.size() < 6 + 16 * count) return *error = "the icon file is cut short", false;
    std::vector<uint8_t> directory;
    appendLe16(directory, 0);
    appendLe16(directory, 1);
    appendLe16(directory, (uint16_t)count);
    uint16_t id = nextIconId(*tree);
    if ((size_t)id + count > 0xFFFF) return *error = "too many icon images", false;
    ResNames& images = (*tree)[ResName::number(RT_ICON_ID)];
    for (size_t i = 0; i < count; ++i) {
        size_t entry = 6 + 16 * i;
        uint32_t size = le32(ico.data() + entry + 8), offset = le32(ico.data() + entry + 12);
        if (offset > ico.size() || size > ico.size() - offset || size == 0)
            return *error = "image " + std::to_string(i + 1) + " of the icon file lies outside it", false;
        images[ResName::number((uint16_t)(id + i))][LANG_NEUTRAL_ID].assign(ico.begin() + offset,
                                                                           ico.begin() + offset + size);
        directory.insert(directory.end(), ico.begin() + entry, ico.begin() + entry + 12);
        appendLe16(directory, (uint16_t)(id + i));
    }
    (*tree)[ResName::number(RT_GROUP_ICON_ID)][group][LANG_NEUTRAL_ID] = directory;
    return true;
}

bool bitmapResource(const std::vector<uint8_t>& bmp, std::vector<uint8_t>* out, std::string* error) {
    if (bmp.size() < 14 + 40 || bmp[0] != 'B' || bmp[1] != 'M') return *error = "not a bitmap file (.bmp)", false;
    uint32_t infoSize = le32(bmp.data() + 14), bitsAt = le32(bmp.data() + 10);
    if (infoSize < 12 || infoSize > bmp.size() - 14 || bitsAt > bmp.size() || bitsAt < 14 + infoSize)
        return *error = "the bitmap file is damaged", false;
    out->assign(bmp.begin() + 14, bmp.end());
    return true;
}

namespace {

// One node of the version resource: length, value length, type, key, value,
// children, each part on a 4-byte boundary of the node.
// A node's length is a 16-bit field: *fits turns false where one is longer.
std::vector<uint8_t> versionNode(const std::string& key, bool text, const std::vector<uint8_t>& value,
                                 uint16_t valueLength, const std::vector<uint8_t>& children, bool* fits) {
    std::vector<uint8_t> node(6, 0);
    Utf16 wideKey;
    utf8ToUtf16(key, &wideKey);
    for (char16_t c : wideKey) appendLe16(node, c);
    appendLe16(node, 0);
    pad4(node);
    node.insert(node.end(), value.begin(), value.end());
    if (!children.empty()) pad4(node);
    node.insert(node.end(), children.begin(), children.end());
    if (node.size() > 0xFFFF) *fits = false;
    node[0] = (uint8_t)node.size();
    node[1] = (uint8_t)(node.size() >> 8);
    node[2] = (uint8_t)valueLength;
    node[3] = (uint8_t)(valueLength >> 8);
    node[4] = text ? 1 : 0;
    pad4(node);
    return node;
}

uint32_t high(const uint16_t v[4]) { return (uint32_t)v[0] << 16 | v[1]; }
uint32_t low(const uint16_t v[4]) { return (uint32_t)v[2] << 16 | v[3]; }

}  // namespace

bool versionNumbers(const std::string& text, uint16_t out[4]) {
    unsigned parts[4] = {0, 0, 0, 0};
    int n = 0;
    std::stringstream in(text);
    for (std::string p; std::getline(in, p, '.');) {
        char* end = nullptr;
        unsigned long v = strtoul(p.c_str(), &end, 10);
        if (n == 4 || p.empty() || *end || v > 65535) return false;
        parts[n++] = (unsigned)v;
    }
    for (int i = 0; i < 4; ++i) out[i] = (uint16_t)parts[i];
    return true;
}

bool versionResource(const VersionInfo& info, std::vector<uint8_t>* out) {
    bool fits = true;
    std::vector<uint8_t> fixed;
    for (uint32_t v : {0xFEEF04BDu, 0x00010000u, high(info.fileVersion), low(info.fileVersion),
                       high(info.productVersion), low(info.productVersion), 0x3Fu, 0u, 0x00040004u, 1u, 0u, 0u, 0u})
        appendLe32(fixed, v);
    std::vector<uint8_t> strings;
    for (auto& t : info.texts) {
        Utf16 wide;
        utf8ToUtf16(t.second, &wide);
        std::vector<uint8_t> value;
        for (char16_t c : wide) appendLe16(value, c);
        appendLe16(value, 0);
        if (wide.size() + 1 > 0xFFFF) fits = false;
        std::vector<uint8_t> node = versionNode(t.first, true, value, (uint16_t)(wide.size() + 1), {}, &fits);
        strings.insert(strings.end(), node.begin(), node.end());
    }
    // US English, Unicode: the table that version readers look for first.
    std::vector<uint8_t> table = versionNode("040904B0", true, {}, 0, strings, &fits);
    std::vector<uint8_t> children = versionNode("StringFileInfo", true, {}, 0, table, &fits);
    std::vector<uint8_t> translation;
    appendLe16(translation, 0x0409);
    appendLe16(translation, 0x04B0);
    std::vector<uint8_t> var = versionNode("Translation", false, translation, 4, {}, &fits);
    std::vector<uint8_t> varInfo = versionNode("VarFileInfo", true, {}, 0, var, &fits);
    children.insert(children.end(), varInfo.begin(), varInfo.end());
    *out = versionNode("VS_VERSION_INFO", false, fixed, (uint16_t)fixed.size(), children, &fits);
    return fits;
}

bool buildLauncher(const std::vector<uint8_t>& templateBytes, LauncherPlan plan, uint32_t timeStamp,
                   const ByteSink& sink, std::string* error) {
    PeImage image;
    if (!readPeImage(templateBytes, &image, error)) return false;
    ResourceTree tree = image.resources;
    std::map<unsigned, std::string> strings = plan.strings;
    // The launcher learns the included files from these two strings, unless
    // they are given on purpose.
    if (plan.includeGiven) {
        std::string names;
        for (const IncludedFile& f : plan.included) names += (names.empty() ? "" : ";") + f.name;
        strings.insert({2002, std::to_string(plan.included.size())});
        strings.insert({2003, names});
    }
    // Copied once for each content: the hash names the copy's folder.
    if (!plan.runtime.empty()) strings[2004] = contentHash(plan.runtime);
    bool cacheIncluded = plan.includeGiven && !plan.included.empty() && strings.count(156) && strings[156] == "1";
    if (cacheIncluded) strings[2005] = contentHash(plan.included);
    if (!applyStrings(&tree, strings, plan.fromDefaults, error)) return false;
    // The program's icon group sorts before "ID_SPLASH_ICON", so that it is
    // the first group, the one the shell shows.
    if (!plan.icon.empty() && !addIconGroup(&tree, ResName::named("APPICON"), plan.icon, error))
        return *error = "icon: " + *error, false;
    if (!plan.splashIcon.empty() && !addIconGroup(&tree, ResName::named("ID_SPLASH_ICON"), plan.splashIcon, error))
        return *error = "splash icon: " + *error, false;
    std::map<unsigned, std::vector<uint8_t>> pictures = plan.scaledSplashBitmaps;
    if (!plan.splashBitmap.empty()) pictures[100] = plan.splashBitmap;
    for (auto& [scale, bmp] : pictures) {
        std::vector<uint8_t> bitmap;
        if (!bitmapResource(bmp, &bitmap, error)) return *error = "splash bitmap: " + *error, false;
        std::string name = scale == 100 ? "ID_SPLASH_BMP" : "ID_SPLASH_BMP_" + std::to_string(scale);
        tree[ResName::number(RT_BITMAP_ID)][ResName::named(name)][LANG_NEUTRAL_ID] = bitmap;
    }
    if (plan.includeGiven) addCopiedFiles(&tree, "APPFILES", "ID_FILE_", &plan.included, cacheIncluded);
    if (!plan.runtime.empty()) addCopiedFiles(&tree, "RUNTIME", "ID_RT_", &plan.runtime, true);
    if (plan.version.present) {
        std::vector<uint8_t> version;
        if (!versionResource(plan.version, &version)) return *error = "version: the texts are too long for one version resource", false;
        tree[ResName::number(RT_VERSION_ID)][ResName::number(1)][LANG_NEUTRAL_ID] = version;
    }
    if (!resourceSectionFits(image, tree, error)) return false;
    // The checksum, written after, covers it.
    storeLe16(&image.bytes[image.optionalAt + SUBSYSTEM_AT], plan.console ? SUBSYSTEM_CONSOLE : SUBSYSTEM_WINDOWS);
    writePeImage(image, tree, timeStamp, sink);
    return true;
}

bool buildLauncher(const std::vector<uint8_t>& templateBytes, LauncherPlan plan, uint32_t timeStamp,
                   std::vector<uint8_t>* out, std::string* error) {
    out->clear();
    return buildLauncher(templateBytes, std::move(plan), timeStamp,
                         [&](const uint8_t* data, size_t size) { out->insert(out->end(), data, data + size); }, error);
}
