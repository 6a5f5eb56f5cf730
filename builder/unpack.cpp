#include "unpack.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "files/bytes_text.h"
#include "files/path_text.h"
#include "utf.h"

namespace {

enum { LANG_NEUTRAL_ID = 0 };

const std::vector<uint8_t>* resource(const ResourceTree& tree, const ResName& type, const ResName& name) {
    auto t = tree.find(type);
    if (t == tree.end()) return nullptr;
    auto n = t->second.find(name);
    if (n == t->second.end() || n->second.empty()) return nullptr;
    return &n->second.begin()->second;
}

// The .ico file of an icon group: its directory, with each image's offset
// in the file where the group has the image's number, then the images.
// False for a group that ours never are: empty, of cursors, or naming an
// image twice (which would repeat its bytes beyond any bound).
bool iconFile(const ResourceTree& tree, const ResName& group, std::vector<uint8_t>* out) {
    const std::vector<uint8_t>* dir = resource(tree, ResName::number(RT_GROUP_ICON_ID), group);
    if (!dir || dir->size() < 6 || le16(dir->data()) != 0 || le16(dir->data() + 2) != 1) return false;
    size_t count = le16(dir->data() + 4);
    if (count == 0 || dir->size() < 6 + 14 * count) return false;
    out->assign(dir->begin(), dir->begin() + 6);
    std::vector<uint8_t> images;
    std::set<uint16_t> ids;
    size_t offset = 6 + 16 * count;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = dir->data() + 6 + 14 * i;
        uint16_t id = le16(entry + 12);
        const std::vector<uint8_t>* image = resource(tree, ResName::number(RT_ICON_ID), ResName::number(id));
        if (!ids.insert(id).second || !image || image->empty() || image->size() != le32(entry + 8) ||
            offset + images.size() > 0xFFFFFFFFu - image->size())
            return false;
        out->insert(out->end(), entry, entry + 12);
        appendLe32(*out, (uint32_t)(offset + images.size()));
        images.insert(images.end(), image->begin(), image->end());
    }
    out->insert(out->end(), images.begin(), images.end());
    return true;
}

// The .bmp file of a bitmap resource: a file header before it, whose
// offset of the pixels passes the header, the masks and the colour table.
void bitmapFile(const std::vector<uint8_t>& dib, std::vector<uint8_t>* out) {
    size_t size = 14 + dib.size();
    uint32_t infoSize = dib.size() >= 4 ? le32(dib.data()) : 0;
    size_t bitsAt = 14 + infoSize;
    if (infoSize == 12 && dib.size() >= 12) {
        unsigned bits = le16(dib.data() + 10);
        if (bits <= 8) bitsAt += 3u << bits;
    } else if (infoSize >= 40 && dib.size() >= 40) {
        unsigned bits = le16(dib.data() + 14);
        uint32_t compression = le32(dib.data() + 16), used = le32(dib.data() + 32);
        if (infoSize == 40 && (compression == 3 || compression == 6)) bitsAt += compression == 3 ? 12 : 16;
        bitsAt += 4ull * (used ? used : bits <= 8 ? 1u << bits : 0);
    }
    if (bitsAt > size) bitsAt = 14 + infoSize;
    out->assign({'B', 'M'});
    appendLe32(*out, (uint32_t)size);
    appendLe32(*out, 0);
    appendLe32(*out, (uint32_t)bitsAt);
    out->insert(out->end(), dib.begin(), dib.end());
}

// One node of a version resource: key, value and children, each on a
// 4-byte boundary of the resource.
struct VersionNode {
    std::u16string key;
    size_t valueAt = 0, valueLength = 0, childrenAt = 0, end = 0;
    bool text = false;
};

size_t align4(size_t n) { return (n + 3) & ~(size_t)3; }

bool versionNode(const std::vector<uint8_t>& b, size_t at, size_t within, VersionNode* n) {
    if (at + 6 > within) return false;
    size_t length = le16(b.data() + at);
    n->valueLength = le16(b.data() + at + 2);
    n->text = le16(b.data() + at + 4) == 1;
    n->end = at + length;
    if (length < 6 || n->end > within) return false;
    size_t p = at + 6;
    n->key.clear();
    for (; p + 2 <= n->end && le16(b.data() + p); p += 2) n->key.push_back((char16_t)le16(b.data() + p));
    n->valueAt = align4(p + 2);
    size_t valueBytes = n->text ? 2 * n->valueLength : n->valueLength;
    n->childrenAt = align4(n->valueAt + valueBytes);
    return n->valueAt <= n->end;
}

// The texts of the version resource that our builder writes; false for any
// other layout, whose texts a project could not give again.
bool versionTexts(const std::vector<uint8_t>& b, VersionInfo* info) {
    VersionNode root, file, table, entry;
    if (!versionNode(b, 0, b.size(), &root) || root.key != u"VS_VERSION_INFO") return false;
    for (size_t at = root.childrenAt; at < root.end; at = align4(file.end)) {
        if (!versionNode(b, at, root.end, &file)) return false;
        if (file.key != u"StringFileInfo") continue;
        for (size_t t = file.childrenAt; t < file.end; t = align4(table.end)) {
            if (!versionNode(b, t, file.end, &table) || table.key != u"040904B0") return false;
            for (size_t e = table.childrenAt; e < table.end; e = align4(entry.end)) {
                if (!versionNode(b, e, table.end, &entry) || !entry.text) return false;
                // As long as the node says, a U+0000 inside the text too.
                std::u16string value;
                for (size_t p = entry.valueAt, n = 1; n < entry.valueLength && p + 2 <= entry.end; p += 2, ++n)
                    value.push_back((char16_t)le16(b.data() + p));
                info->texts[utf16ToUtf8(entry.key)] = utf16ToUtf8(value);
            }
        }
    }
    info->present = true;
    // The fixed part's numbers, and then the same bytes again: only then
    // does a [version] table give this resource back.
    if (root.valueLength != 52 || root.valueAt + 52 > root.end) return false;
    const uint8_t* fixed = b.data() + root.valueAt;
    for (int i = 0; i < 4; ++i) {
        info->fileVersion[i] = le16(fixed + 8 + 4 * (i / 2) + (i % 2 ? 0 : 2));
        info->productVersion[i] = le16(fixed + 16 + 4 * (i / 2) + (i % 2 ? 0 : 2));
    }
    // The numbers come from the texts when a project gives them.
    uint16_t fileNumbers[4] = {0, 0, 0, 0}, productNumbers[4] = {0, 0, 0, 0};
    auto text = [&](const char* name) {
        auto t = info->texts.find(name);
        return t == info->texts.end() ? std::string("0") : t->second;
    };
    if (!versionNumbers(text("FileVersion"), fileNumbers) || !versionNumbers(text("ProductVersion"), productNumbers) ||
        memcmp(fileNumbers, info->fileVersion, sizeof fileNumbers) != 0 || memcmp(productNumbers, info->productVersion, sizeof productNumbers) != 0)
        return false;
    std::vector<uint8_t> again;
    return versionResource(*info, &again) && again == b;
}

// Each part of a path below the folder must be a name Windows holds as a
// file of its own: no "..", no drive, no device.
bool plainPath(const std::string& name) {
    std::u16string wide;
    if (name.find('\0') != std::string::npos || !utf8ToUtf16(name, &wide)) return false;
    std::stringstream in(name);
    size_t parts = 0;
    for (std::string part; std::getline(in, part, '\\'); ++parts)
        if (!isPlainFileName(part.c_str())) return false;
    return parts > 0 && name.back() != '\\';
}

std::string slashed(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

// Copied files <prefix><n> in order, named by `names`. A launcher of an
// earlier builder carries digests, <prefix>SUMS, beside its index.
bool copiedFiles(const ResourceTree& tree, const char* type, const std::string& prefix,
                 const std::vector<std::string>& names, const std::string& folder, Recovered* out) {
    auto files = tree.find(ResName::named(type));
    if (files == tree.end() || files->second.size() - files->second.count(ResName::named(prefix + "INDEX")) -
                                       files->second.count(ResName::named(prefix + "SUMS")) !=
                                   names.size())
        return false;
    std::vector<RecoveredFile> found;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::vector<uint8_t>* bytes = resource(tree, ResName::named(type), ResName::named(prefix + std::to_string(i)));
        if (!bytes || !plainPath(names[i])) return false;
        found.push_back({folder + "/" + slashed(names[i]), *bytes});
    }
    for (RecoveredFile& f : found) out->files.push_back(std::move(f));
    return true;
}

// The names of the runtime's index, "<size> <name>" a line.
bool indexNames(const ResourceTree& tree, std::vector<std::string>* names) {
    const std::vector<uint8_t>* index = resource(tree, ResName::named("RUNTIME"), ResName::named("ID_RT_INDEX"));
    if (!index) return false;
    std::stringstream in(std::string(index->begin(), index->end()));
    for (std::string line; std::getline(in, line);) {
        size_t blank = line.find(' ');
        if (blank == std::string::npos) return false;
        names->push_back(line.substr(blank + 1));
    }
    return true;
}

std::vector<std::string> splitNames(const std::string& list) {
    std::vector<std::string> names;
    std::stringstream in(list);
    for (std::string name; std::getline(in, name, ';');) names.push_back(name);
    return names;
}

void recoverPictures(const ResourceTree& tree, Recovered* out) {
    struct Icon {
        const char* group;
        const char* key;
        const char* file;
    };
    for (const Icon& icon : {Icon{"APPICON", "icon", "icon.ico"}, Icon{"ID_SPLASH_ICON", "splash.icon", "splash-icon.ico"}}) {
        std::vector<uint8_t> ico;
        if (!resource(tree, ResName::number(RT_GROUP_ICON_ID), ResName::named(icon.group))) continue;
        if (!iconFile(tree, ResName::named(icon.group), &ico)) {
            out->unknown.push_back(std::string("the icon group ") + icon.group);
            continue;
        }
        out->keys[icon.key] = icon.file;
        out->files.push_back({icon.file, std::move(ico)});
    }
    auto bitmaps = tree.find(ResName::number(RT_BITMAP_ID));
    if (bitmaps == tree.end()) return;
    for (auto& [name, languages] : bitmaps->second) {
        std::string text = name.isText ? utf16ToUtf8(name.text) : "";
        std::string scale = text.size() > 14 ? text.substr(14) : "";
        bool known = text == "ID_SPLASH_BMP" || (text.compare(0, 14, "ID_SPLASH_BMP_") == 0 &&
                                                 (scale == "125" || scale == "150" || scale == "175" ||
                                                  scale == "200" || scale == "250" || scale == "300"));
        if (!known || languages.empty()) {
            out->unknown.push_back("the bitmap " + name.describe());
            continue;
        }
        std::string file = scale.empty() ? "splash.bmp" : "splash-" + scale + ".bmp";
        std::vector<uint8_t> bmp, again;
        std::string why;
        bitmapFile(languages.begin()->second, &bmp);
        if (!bitmapResource(bmp, &again, &why) || again != languages.begin()->second) {
            out->unknown.push_back("the bitmap " + name.describe());
            continue;
        }
        out->keys[scale.empty() ? "splash.bitmap" : "splash.bitmap_" + scale] = file;
        out->files.push_back({file, std::move(bmp)});
    }
}

}  // namespace

void recoverFiles(const ResourceTree& tree, const std::map<unsigned, std::string>& strings, Recovered* out) {
    *out = Recovered();
    recoverPictures(tree, out);
    if (tree.count(ResName::named("APPFILES"))) {
        auto list = strings.find(2003);
        std::vector<std::string> names = splitNames(list == strings.end() ? "" : list->second);
        if (copiedFiles(tree, "APPFILES", "ID_FILE_", names, "include", out))
            for (const std::string& name : names) out->include.push_back("include/" + name);
        else
            out->unknown.push_back("included files");
    }
    if (tree.count(ResName::named("RUNTIME"))) {
        std::vector<std::string> names;
        if (indexNames(tree, &names) && copiedFiles(tree, "RUNTIME", "ID_RT_", names, "runtime", out))
            out->keys["runtime"] = "runtime";
        else
            out->unknown.push_back("a Java runtime");
    }
    const std::vector<uint8_t>* version = resource(tree, ResName::number(RT_VERSION_ID), ResName::number(1));
    if (version && !versionTexts(*version, &out->version)) {
        out->version = VersionInfo();
        out->unknown.push_back("version information");
    }
}

bool writeRecovered(const std::string& folder, const Recovered& recovered, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code failed;
    fs::path root = fs::u8path(folder);
    if (fs::exists(root, failed) && (!fs::is_directory(root, failed) || !fs::is_empty(root, failed)))
        return *error = folder + ": expected a new or empty folder", false;
    for (const RecoveredFile& f : recovered.files) {
        fs::path path;
        try {
            path = root / fs::u8path(f.path);
        } catch (const std::exception&) {
            return *error = "cannot write " + folder + "/" + f.path, false;
        }
        fs::create_directories(path.parent_path(), failed);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write((const char*)f.bytes.data(), (std::streamsize)f.bytes.size());
        out.close();
        if (failed || !out) return *error = "cannot write " + path.u8string(), false;
    }
    return true;
}

std::string groupedNumber(unsigned long long n) {
    std::string digits = std::to_string(n);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}
