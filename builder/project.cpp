#include "project.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <toml++/toml.h>

#include "files/path_text.h"
#include "files/bytes_text.h"
#include "files/version_text.h"
#include "utf.h"

bool readWholeFile(const std::string& path, std::vector<uint8_t>* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0) return false;
    out->resize((size_t)size);
    in.seekg(0);
    in.read((char*)out->data(), (std::streamsize)out->size());
    return in.good() || (size == 0 && !in.bad());
}


const Arch ARCHES[3] = {{"x86", 0x014C, "32-bit"}, {"x64", 0x8664, "x64"}, {"arm64", 0xAA64, "ARM64"}};

const Arch* archNamed(const std::string& name) {
    for (const Arch& arch : ARCHES)
        if (name == arch.name) return &arch;
    return nullptr;
}

const Arch* archOfMachine(uint16_t machine) {
    for (const Arch& arch : ARCHES)
        if (machine == arch.machine) return &arch;
    return nullptr;
}

namespace {

// Keys that name files or tables rather than strings.
const char* const OTHER_KEYS[] = {
    "arch", "subsystem", "icon", "include", "runtime", "splash.icon", "version", "strings", "splash.bitmap", "splash.bitmap_125",
    "splash.bitmap_150", "splash.bitmap_175", "splash.bitmap_200", "splash.bitmap_250", "splash.bitmap_300"};
size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A bitmap file's size in pixels (a top-down one's height is negative).
bool bitmapSize(const std::vector<uint8_t>& b, int* width, int* height) {
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
    int32_t w = (int32_t)le32(b.data() + 18), h = (int32_t)le32(b.data() + 22);
    *width = w;
    *height = h < 0 ? -h : h;
    return w > 0 && h != 0;
}

std::string tableOf(const std::string& key) {
    size_t dot = key.rfind('.');
    return dot == std::string::npos ? "" : key.substr(0, dot);
}

std::string leafOf(const std::string& key) { return key.substr(key.rfind('.') + 1); }

// What an unknown key's message adds: the known key of its table nearest to
// it (a slip of a letter or two), else the table where a key of that name
// belongs.
std::string keyHint(const std::string& key) {
    std::vector<std::string> known;
    for (size_t i = 0; i < CONFIG_ROW_COUNT; ++i)
        if (*CONFIG_ROWS[i].key) known.push_back(CONFIG_ROWS[i].key);
    for (const char* other : OTHER_KEYS) known.push_back(other);
    std::string best, elsewhere;
    size_t bestDistance = leafOf(key).size() / 3 + 1;
    for (const std::string& k : known) {
        if (tableOf(k) == tableOf(key)) {
            size_t d = editDistance(leafOf(k), leafOf(key));
            if (d <= bestDistance && d <= 2) best = k, bestDistance = d;
        } else if (leafOf(k) == leafOf(key) && elsewhere.empty()) {
            elsewhere = k;
        }
    }
    if (!best.empty()) return "; did you mean " + leafOf(best) + "?";
    if (elsewhere.empty()) return "";
    std::string table = tableOf(elsewhere);
    return "; " + leafOf(key) + " belongs " + (table.empty() ? "at the top, before any table" : "in [" + table + "]");
}

// The search's sources: the registry, a variable, a folder (A or R), the
// PATH, and the runtime inside.
const char* const SEARCH_LETTERS = "YEARSI";
// The scales that a splash picture may be given for, beside its own 100 %.
const unsigned PICTURE_SCALES[] = {125, 150, 175, 200, 250, 300};
const char* const VERSION_KEYS[][2] = {
    {"file_version", "FileVersion"},     {"product_version", "ProductVersion"},
    {"company", "CompanyName"},          {"description", "FileDescription"},
    {"copyright", "LegalCopyright"},     {"original_filename", "OriginalFilename"},
    {"product_name", "ProductName"},
};

// The launcher's own rule for the options files' base name.
bool isOptionsFileName(const std::string& base) {
    return base.find('\0') == std::string::npos && isPlainFileName(base.c_str()) &&
           isPlainFileName((base + ".vmoptions").c_str());
}

struct Loader {
    std::string path, folder;
    std::string* error;

    bool fail(const toml::node& node, const std::string& key, const std::string& what) {
        *error = path + ":" + std::to_string(node.source().begin.line) + ": " + key + ": " + what;
        return false;
    }

    // A name the project gives, from the project's folder unless it is whole
    // already: a drive, or a root of either host ("\\server\share" too).
    std::string fromProject(const std::string& name) const {
        bool whole = !name.empty() && (name[0] == '/' || name[0] == '\\' || name.find(':') == 1);
        return whole ? name : folder + name;
    }

    bool readFile(const toml::node& node, const std::string& key, const std::string& name,
                  std::vector<uint8_t>* out) {
        return readWholeFile(fromProject(name), out) || fail(node, key, "cannot read the file " + name);
    }

    bool text(const toml::node& node, const std::string& key, std::string* out) {
        if (!node.is_string()) return fail(node, key, "expected a text");
        *out = *node.value<std::string>();
        std::u16string wide;
        if (!utf8ToUtf16(*out, &wide)) return fail(node, key, "the text is not UTF-8");
        if (wide.size() > 8191) return fail(node, key, "expected at most 8191 characters, got " +
                                                           std::to_string(wide.size()));
        return true;
    }

    bool integer(const toml::node& node, const std::string& key, long long lo, long long hi, std::string* out) {
        if (!node.is_integer()) return fail(node, key, "expected a whole number");
        long long v = *node.value<long long>();
        if (v < lo || v > hi)
            return fail(node, key, "expected a whole number from " + std::to_string(lo) + " to " +
                                       std::to_string(hi) + ", got " + std::to_string(v));
        *out = std::to_string(v);
        return true;
    }

    bool colour(const toml::node& node, const std::string& key, std::string* out) {
        static const char expected[] = "expected a colour \"r,g,b\", each from 0 to 255";
        if (!node.is_string()) return fail(node, key, expected);
        std::string s = *node.value<std::string>();
        int parts[3], n = 0;
        char tail;
        if (sscanf(s.c_str(), "%d , %d , %d %c", &parts[0], &parts[1], &parts[2], &tail) != 3)
            return fail(node, key, std::string(expected) + ", got \"" + s + "\"");
        for (n = 0; n < 3; ++n)
            if (parts[n] < 0 || parts[n] > 255) return fail(node, key, std::string(expected) + ", got \"" + s + "\"");
        *out = std::to_string(parts[0]) + "," + std::to_string(parts[1]) + "," + std::to_string(parts[2]);
        return true;
    }

    // A list is given as the launcher's own text, or as an array of entries.
    bool list(const toml::node& node, const std::string& key, const char* letters, size_t shortest,
              std::string* out) {
        std::vector<std::pair<std::string, const toml::node*>> entries;
        if (node.is_string()) {
            if (!text(node, key, out)) return false;
            std::stringstream in(*out);
            for (std::string e; std::getline(in, e, ';');)
                if (!e.empty()) entries.push_back({e, &node});
        } else if (const toml::array* a = node.as_array()) {
            out->clear();
            for (const toml::node& item : *a) {
                std::string e;
                if (!text(item, key, &e)) return false;
                if (e.find(';') != std::string::npos) return fail(item, key, "an entry cannot hold \";\"");
                entries.push_back({e, &item});
                *out += e + ";";
            }
        } else {
            return fail(node, key, "expected a text or an array of texts");
        }
        for (auto& e : entries)
            if (e.first.size() < shortest || !strchr(letters, e.first[0]))
                return fail(*e.second, key, "expected entries that begin with one of " + std::string(letters) +
                                                ", got \"" + e.first + "\"");
        return true;
    }

    bool value(const ConfigRow& k, const toml::node& node, std::string* out) {
        switch (k.kind) {
            case ConfigRow::TEXT: return text(node, k.key, out);
            case ConfigRow::SWITCH:
                if (!node.is_boolean()) return fail(node, k.key, "expected true or false");
                *out = *node.value<bool>() ? "1" : "0";
                return true;
            case ConfigRow::SHOW_LOG:
                if (node.is_string() && *node.value<std::string>() == "on_failure") {
                    *out = "2";
                    return true;
                }
                if (!node.is_boolean()) return fail(node, k.key, "expected true, false or \"on_failure\"");
                *out = *node.value<bool>() ? "1" : "0";
                return true;
            case ConfigRow::INT: return integer(node, k.key, -32768, 32767, out);
            case ConfigRow::SIZE: return integer(node, k.key, 0, 32767, out);
            case ConfigRow::NUMBER:
                // 0 is every normal end: the application could never end.
                if (k.id == 152) return integer(node, k.key, 1, 65535, out);
                return integer(node, k.key, 0, 65535, out);
            case ConfigRow::WEIGHT: return integer(node, k.key, 0, 1000, out);
            case ConfigRow::COLOUR: return colour(node, k.key, out);
            case ConfigRow::FONT:
                if (!text(node, k.key, out)) return false;
                if (out->size() > 31) return fail(node, k.key, "expected a font name of at most 31 bytes");
                return true;
            case ConfigRow::CHAR:
                if (!text(node, k.key, out)) return false;
                if (out->size() != 1) return fail(node, k.key, "expected one character");
                return true;
            case ConfigRow::URL:
                // The launcher hands it to the shell: nothing but a web page may open.
                if (!text(node, k.key, out)) return false;
                if (out->compare(0, 8, "https://") != 0 || out->size() == 8 ||
                    out->find_first_of(" \t\r\n\"") != std::string::npos)
                    return fail(node, k.key, "expected an https:// address, got \"" + *out + "\"");
                return true;
            case ConfigRow::CLASS_PATH: return list(node, k.key, "ADES", 3, out);
            case ConfigRow::SEARCH: return list(node, k.key, SEARCH_LETTERS, 1, out);
        }
        return false;
    }

    bool versionNumber(const toml::node& node, const std::string& key, uint16_t out[4]) {
        std::string s;
        if (!text(node, key, &s)) return false;
        if (!versionNumbers(s, out))
            return fail(node, key, "expected a version of up to four numbers from 0 to 65535, got \"" + s + "\"");
        return true;
    }

    bool version(const toml::table& t, VersionInfo* info) {
        info->present = true;
        for (auto& [k, node] : t) {
            std::string key = "version." + std::string(k.str());
            const char* name = nullptr;
            for (auto& v : VERSION_KEYS)
                if (k.str() == v[0]) name = v[1];
            if (!name) return fail(node, key, "unknown key");
            if (!text(node, key, &info->texts[name])) return false;
            if (k.str() == "file_version" && !versionNumber(node, key, info->fileVersion)) return false;
            if (k.str() == "product_version" && !versionNumber(node, key, info->productVersion)) return false;
        }
        return true;
    }

    // The launcher refuses the same names, by the same rule.
    bool includedName(const toml::node& node, const std::string& name, const char* key = "include") {
        if (!isPlainFileName(name.c_str()) || name.find(';') != std::string::npos)
            return fail(node, key,
                        "expected a file name that Windows holds as a file of its own (no device name such as NUL "
                        "or AUX.JAR, none of < > : \" / \\ | ? * ;, no trailing dot or blank), got \"" +
                            name + "\"");
        return true;
    }

    bool include(const toml::node& node, LauncherPlan* plan) {
        const toml::array* a = node.as_array();
        if (!a) return fail(node, "include", "expected an array of files");
        plan->includeGiven = true;
        std::set<std::string> names;
        for (const toml::node& item : *a) {
            std::string file, name;
            if (const toml::table* t = item.as_table()) {
                for (auto& [k, v] : *t)
                    if (k.str() != "file" && k.str() != "name") return fail(v, "include", "unknown key " + std::string(k.str()));
                if (!t->get("file") || !text(*t->get("file"), "include.file", &file)) return fail(item, "include", "expected a file");
                if (t->get("name") && !text(*t->get("name"), "include.name", &name)) return false;
            } else if (!text(item, "include", &file)) {
                return false;
            }
            if (name.empty()) name = file.substr(file.find_last_of("\\/") + 1);
            if (!includedName(item, name)) return false;
            std::string folded;
            for (char c : name) folded.push_back(c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c);
            if (!names.insert(folded).second) return fail(item, "include", "the name \"" + name + "\" is given twice");
            IncludedFile f{name, {}};
            if (!readFile(item, "include", file, &f.bytes)) return false;
            plan->included.push_back(std::move(f));
        }
        return true;
    }

    // The machine field of a Windows image; 1 for a file that is none, so
    // that the file still counts as found.
    static uint16_t machineOf(const std::vector<uint8_t>& image) {
        if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return 1;
        uint32_t pe = le32(image.data() + 0x3c);
        if (pe > image.size() - 6 || memcmp(image.data() + pe, "PE\0\0", 4) != 0) return 1;
        return le16(image.data() + pe + 4);
    }

    // A Java home as jlink lays it out: every file below the folder, by its
    // path with backslashes, in one order, so that the hash is the same on
    // every build machine.
    bool runtime(const toml::node& node, const std::string& arch, LauncherPlan* plan) {
        namespace fs = std::filesystem;
        std::string given;
        if (!text(node, "runtime", &given)) return false;
        fs::path root = fs::u8path(fromProject(given));
        std::error_code failed;
        if (!fs::is_directory(root, failed)) return fail(node, "runtime", "expected a folder, got \"" + given + "\"");
        std::vector<std::pair<std::string, fs::path>> files;
        // A link would be left out (a folder) or stored by another name (a
        // file): the copy would never be whole. Names that Windows holds as
        // one would make every start copy again.
        std::set<std::string> folded;
        for (fs::recursive_directory_iterator it(root, failed), end; !failed && it != end; it.increment(failed)) {
            // By its own name: a relative() that resolved links would name a
            // linked file by its target.
            std::string name = it->path().lexically_relative(root).generic_u8string();
            std::replace(name.begin(), name.end(), '/', '\\');
            if (it->is_symlink(failed))
                return fail(node, "runtime", "\"" + name + "\" in " + given + " is a link; give the files themselves");
            std::string lower = name;
            for (char& c : lower) c = c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
            if (!folded.insert(lower).second)
                return fail(node, "runtime", "\"" + name + "\" in " + given + " differs from another name only in case");
            if (it->is_regular_file(failed)) files.push_back({name, it->path()});
        }
        if (failed) return fail(node, "runtime", "cannot read the folder " + given + ": " + failed.message());
        std::sort(files.begin(), files.end());
        uint16_t jvmMachine = 0;
        bool release = false;
        for (const auto& [name, full] : files) {
            for (size_t at = 0, next; at <= name.size(); at = next + 1) {
                next = std::min(name.find('\\', at), name.size());
                if (!includedName(node, name.substr(at, next - at), "runtime")) return false;
            }
            IncludedFile f{name, {}};
            if (!readWholeFile(full.u8string(), &f.bytes))
                return fail(node, "runtime", "cannot read the file " + given + "\\" + name);
            std::string lower = name;
            for (char& c : lower) c = c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
            release = release || lower == "release";
            if (lower == "bin\\server\\jvm.dll" || lower == "bin\\client\\jvm.dll")
                jvmMachine = machineOf(f.bytes);
            plan->runtime.push_back(std::move(f));
        }
        if (!jvmMachine) return fail(node, "runtime", "expected bin\\server\\jvm.dll or bin\\client\\jvm.dll in " + given);
        if (!release) return fail(node, "runtime", "expected the release file of a Java home in " + given);
        const Arch* wanted = archNamed(arch);
        if (jvmMachine != wanted->machine) {
            const Arch* found = archOfMachine(jvmMachine);
            return fail(node, "runtime", std::string("its jvm.dll is for ") + (found ? found->words : "another") +
                                             " Windows, the launcher for " + wanted->words);
        }
        // The runtime inside comes first, unless the search places it.
        std::string& search = plan->strings[128];
        for (size_t i = 0; search.empty() && i < CONFIG_ROW_COUNT; ++i)
            if (CONFIG_ROWS[i].id == 128) search = CONFIG_ROWS[i].fresh ? CONFIG_ROWS[i].fresh : CONFIG_ROWS[i].example;
        if (search[0] != 'I' && search.find(";I") == std::string::npos) search = "I;" + search;
        return true;
    }

    bool rawStrings(const toml::table& t, LauncherPlan* plan) {
        for (auto& [k, node] : t) {
            std::string name(k.str()), key = "strings." + name;
            char* end = nullptr;
            unsigned long id = strtoul(name.c_str(), &end, 10);
            if (name.empty() || *end || id > 65535) return fail(node, key, "expected a string id from 0 to 65535");
            if (plan->includeGiven && (id == 2002 || id == 2003))
                return fail(node, key, "include sets this string; give the files under include alone");
            if (id == 2004 || id == 2005)
                return fail(node, key, "the builder sets this string from the files of runtime or include");
            if (!text(node, key, &plan->strings[(unsigned)id])) return false;
        }
        return true;
    }

    // Every key of the file must be known.
    bool checkKeys(const toml::table& t, const std::string& prefix) {
        for (auto& [k, node] : t) {
            std::string key = prefix + std::string(k.str());
            bool known = false, table = false;
            for (size_t i = 0; i < CONFIG_ROW_COUNT; ++i) {
                std::string p = CONFIG_ROWS[i].key;
                known = known || p == key;
                table = table || p.compare(0, key.size() + 1, key + ".") == 0;
            }
            for (const char* other : OTHER_KEYS) known = known || key == other;
            if (known) continue;
            if (table && node.is_table()) {
                if (!checkKeys(*node.as_table(), key + ".")) return false;
                continue;
            }
            return fail(node, key, "unknown key" + keyHint(key));
        }
        return true;
    }

    // An icon or bitmap file, checked here so that its error names its line.
    bool picture(const toml::table& root, const std::string& key, std::vector<uint8_t>* out) {
        const toml::node* n = root.at_path(key).node();
        std::string file, why;
        if (!n) return true;
        if (!text(*n, key, &file) || !readFile(*n, key, file, out)) return false;
        ResourceTree scratch;
        std::vector<uint8_t> bitmap;
        bool fine = key.compare(0, 13, "splash.bitmap") == 0 ? bitmapResource(*out, &bitmap, &why)
                                           : addIconGroup(&scratch, ResName::number(1), *out, &why);
        return fine || fail(*n, key, why);
    }

    std::string at(const toml::node& node, const std::string& key) const {
        return path + ":" + std::to_string(node.source().begin.line) + ": " + key + ": ";
    }

    // A class name as the VM takes it: dotted names, no path, no ".class".
    bool mainClass(const toml::table& root, const std::string& name) {
        const toml::node* node = root.get("main_class");
        bool plain = !name.empty() && name.find_first_of("/\\ ") == std::string::npos && name.front() != '.' &&
                     name.back() != '.' && name.find("..") == std::string::npos &&
                     !(name.size() > 6 && name.compare(name.size() - 6, 6, ".class") == 0);
        if (plain || !node) return true;
        std::string meant = name;
        if (meant.size() > 6 && meant.compare(meant.size() - 6, 6, ".class") == 0) meant.resize(meant.size() - 6);
        for (char& c : meant) c = c == '/' || c == '\\' ? '.' : c;
        while (!meant.empty() && (meant.front() == '.' || meant.front() == ' ')) meant.erase(0, 1);
        while (!meant.empty() && (meant.back() == '.' || meant.back() == ' ')) meant.pop_back();
        std::string hint = meant.empty() || meant == name ? "" : "; did you mean " + meant + "?";
        return fail(*node, "main_class", "expected a class name such as com.example.Main, got \"" + name + "\"" + hint);
    }

    // The bounds, and the runtime's Java within them.
    bool versions(const toml::table& root, const LauncherPlan& plan) {
        auto given = [&](unsigned id) { return plan.strings.count(id) ? plan.strings.at(id) : std::string(); };
        std::string low = given(126), high = given(127);
        const toml::node* node = root.at_path("java.max_version").node();
        if (!low.empty() && !high.empty() && compareVersions(low.c_str(), high.c_str()) > 0 && node)
            return fail(*node, "java.max_version", "expected a version from java.min_version (" + low + ") on, got " + high);
        const toml::node* runtime = root.get("runtime");
        for (const IncludedFile& f : plan.runtime) {
            if (!runtime || f.name != "release") continue;
            char version[64];
            std::string text(f.bytes.begin(), f.bytes.end());
            if (!parseReleaseVersion(text.data(), text.size(), version, sizeof version)) continue;
            if (!versionInRange(version, low.c_str(), high.c_str()))
                return fail(*runtime, "runtime", std::string("its Java ") + version + " is outside java.min_version " +
                                                     (low.empty() ? "(none)" : low) + " and java.max_version " +
                                                     (high.empty() ? "(none)" : high));
        }
        return true;
    }

    // What builds a launcher that will not do what the project seems to ask.
    void warn(const toml::table& root, Project* out) {
        const std::map<unsigned, std::string>& s = out->plan.strings;
        auto on = [&](unsigned id) { return s.count(id) && s.at(id) == "1"; };
        auto number = [&](unsigned id) { return s.count(id) ? atoi(s.at(id).c_str()) : 0; };
        const LauncherPlan& plan = out->plan;
        const toml::node* show = root.at_path("splash.show").node();
        if (show && on(108) && plan.splashBitmap.empty() && !(number(141) && number(142)))
            out->warnings.push_back(at(*show, "splash.show") + "no bitmap and no size: no splash will show");
        int w = 0, h = 0;
        const toml::node* bitmap = root.at_path("splash.bitmap").node();
        if (bitmap && bitmapSize(plan.splashBitmap, &w, &h) && number(141) && number(142) &&
            (w != number(141) || h != number(142)))
            out->warnings.push_back(at(*bitmap, "splash.bitmap") + "the bitmap is " + std::to_string(w) + " by " +
                                    std::to_string(h) + ", splash.width and splash.height say " +
                                    std::to_string(number(141)) + " by " + std::to_string(number(142)));
        for (const auto& [scale, bytes] : plan.scaledSplashBitmaps) {
            int sw = 0, sh = 0;
            std::string key = "splash.bitmap_" + std::to_string(scale);
            const toml::node* n = root.at_path(key).node();
            if (n && w && bitmapSize(bytes, &sw, &sh) && (sw != w * (int)scale / 100 || sh != h * (int)scale / 100))
                out->warnings.push_back(at(*n, key) + "the bitmap is " + std::to_string(sw) + " by " +
                                        std::to_string(sh) + ", " + std::to_string(scale) + " % of " +
                                        std::to_string(w) + " by " + std::to_string(h) + " would be " +
                                        std::to_string(w * (int)scale / 100) + " by " +
                                        std::to_string(h * (int)scale / 100));
        }
        // A required archive or folder that is not where the launcher will look.
        const toml::node* classPath = root.get("class_path");
        std::string entries = s.count(121) ? s.at(121) : "";
        bool library = false;
        for (size_t at0 = 0, end; classPath && at0 < entries.size(); at0 = end + 1) {
            end = std::min(entries.find(';', at0), entries.size());
            std::string entry = entries.substr(at0, end - at0);
            if (entry.size() < 3) continue;
            std::string name = entry.substr(2);
            std::string lower = name;
            for (char& c : lower) c = (char)tolower((unsigned char)c);
            library = library || lower.find("tarvo-app.jar") != std::string::npos;
            if ((entry[0] != 'A' && entry[0] != 'D') || entry[1] != '1' || name.find('%') != std::string::npos) continue;
            std::string file = fromProject(name);
            for (char& c : file) c = c == '\\' ? '/' : c;
            std::error_code failed;
            if (!std::filesystem::exists(file, failed))
                out->warnings.push_back(at(*classPath, "class_path") + name +
                                        " is not beside the project, where the launcher will look for it");
        }
        const toml::node* single = root.get("single_instance");
        if (single && on(153) && !library)
            out->warnings.push_back(at(*single, "single_instance") + "tarvo-app.jar is not on the class path: a second "
                                    "start will only bring the window forward");
    }

    bool load(const toml::table& root, Project* out) {
        if (!checkKeys(root, "")) return false;
        LauncherPlan& plan = out->plan;
        plan.fromDefaults = true;
        const toml::node* arch = root.get("arch");
        const char* expected = "expected \"x86\", \"x64\" or \"arm64\"";
        if (!arch || !arch->is_string() || !archNamed(**arch->as_string()))
            return arch ? fail(*arch, "arch", expected) : (*error = path + ": arch: " + expected, false);
        out->arch = **arch->as_string();
        const toml::node* subsystem = root.get("subsystem");
        if (subsystem && (!subsystem->is_string() || !chooseSubsystem(**subsystem->as_string(), out)))
            return fail(*subsystem, "subsystem", "expected \"windows\" or \"console\"");
        for (size_t i = 0; i < CONFIG_ROW_COUNT; ++i) {
            const ConfigRow& row = CONFIG_ROWS[i];
            const toml::node* node = *row.key ? root.at_path(row.key).node() : nullptr;
            if (node && !value(row, *node, &plan.strings[row.id])) return false;
        }
        if (!plan.strings.count(122)) return *error = path + ": main_class: the main class must be given", false;
        const toml::node* n;
        if (!picture(root, "icon", &plan.icon) || !picture(root, "splash.bitmap", &plan.splashBitmap) ||
            !picture(root, "splash.icon", &plan.splashIcon))
            return false;
        for (unsigned scale : PICTURE_SCALES) {
            std::vector<uint8_t> bytes;
            if (!picture(root, "splash.bitmap_" + std::to_string(scale), &bytes)) return false;
            if (!bytes.empty()) plan.scaledSplashBitmaps[scale] = std::move(bytes);
        }
        if ((n = root.get("include")) && !include(*n, &plan)) return false;
        if ((n = root.get("runtime")) && !runtime(*n, out->arch, &plan)) return false;
        if ((n = root.get("version"))) {
            if (!n->is_table()) return fail(*n, "version", "expected a table");
            if (!version(*n->as_table(), &plan.version)) return false;
        }
        if ((n = root.get("strings"))) {
            if (!n->is_table()) return fail(*n, "strings", "expected a table");
            if (!rawStrings(*n->as_table(), &plan)) return false;
        }
        if (!mainClass(root, plan.strings[122]) || !versions(root, plan) || !optionsFile(root, plan)) return false;
        warn(root, out);
        return true;
    }

    // A file name of the folders it is read from; by default the product's
    // name, so that the window launcher and its console twin, built from one
    // project under two names, read the same files.
    bool optionsFile(const toml::table& root, LauncherPlan& plan) {
        const toml::node* n = root.get("options_file");
        auto named = plan.strings.find(160);
        if (n && !named->second.empty() && !isOptionsFileName(named->second))
            return fail(*n, "options_file", "expected a file name without its .vmoptions, got \"" + named->second + "\"");
        auto name = plan.strings.find(101);
        if (!n && named == plan.strings.end() && name != plan.strings.end() && isOptionsFileName(name->second))
            plan.strings[160] = name->second;
        return true;
    }
};

}  // namespace

bool chooseSubsystem(const std::string& name, Project* project) {
    if (name != "windows" && name != "console") return false;
    project->plan.console = name == "console";
    return true;
}

void finishProject(Project* project) {
    // A tool's standard error is its console's, and so is that of a window
    // program that passes its console on, unless the project says otherwise.
    if (project->errorLogGiven) return;
    std::map<unsigned, std::string>& strings = project->plan.strings;
    bool console = project->plan.console || (strings.count(154) && strings[154] == "1");
    if (console) strings[102] = "0";
    else strings.erase(102);
}

bool loadProject(const std::string& path, Project* out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return *error = path + ": cannot read the project file", false;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t slash = path.find_last_of("\\/");
    Loader loader{path, slash == std::string::npos ? "" : path.substr(0, slash + 1), error};
    try {
        toml::table root = toml::parse(content, path);
        *out = Project();
        if (!loader.load(root, out)) return false;
        out->errorLogGiven = out->plan.strings.count(102) != 0;
        finishProject(out);
        return true;
    } catch (const toml::parse_error& e) {
        *error = path + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return false;
    }
}

namespace {

// Whether reading `text` back through the key's kind gives `text` again.
bool holdsExactly(const ConfigRow& k, const std::string& text) {
    auto number = [&](long long lo, long long hi) {
        char* end = nullptr;
        long long v = strtoll(text.c_str(), &end, 10);
        return !text.empty() && !*end && v >= lo && v <= hi && std::to_string(v) == text;
    };
    switch (k.kind) {
        case ConfigRow::TEXT: return true;
        case ConfigRow::SWITCH: return text == "0" || text == "1";
        case ConfigRow::SHOW_LOG: return text == "0" || text == "1" || text == "2";
        case ConfigRow::INT: return number(-32768, 32767);
        case ConfigRow::SIZE: return number(0, 32767);
        case ConfigRow::NUMBER: return number(0, 65535);
        case ConfigRow::WEIGHT: return number(0, 1000);
        case ConfigRow::FONT: return text.size() <= 31;
        case ConfigRow::CHAR: return text.size() == 1;
        case ConfigRow::URL: return text.compare(0, 8, "https://") == 0;
        case ConfigRow::COLOUR: {
            int r, g, b;
            char tail;
            return sscanf(text.c_str(), "%d,%d,%d%c", &r, &g, &b, &tail) == 3 && r >= 0 && r <= 255 && g >= 0 &&
                   g <= 255 && b >= 0 && b <= 255 &&
                   text == std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b);
        }
        case ConfigRow::CLASS_PATH:
        case ConfigRow::SEARCH: {
            const char* letters = k.kind == ConfigRow::SEARCH ? SEARCH_LETTERS : "ADES";
            size_t shortest = k.kind == ConfigRow::SEARCH ? 1 : 3;
            std::stringstream in(text);
            for (std::string e; std::getline(in, e, ';');)
                if (!e.empty() && (e.size() < shortest || !strchr(letters, e[0]))) return false;
            return true;
        }
    }
    return false;
}

toml::table& tableAt(toml::table& root, const std::string& dotted, std::string* leaf) {
    toml::table* t = &root;
    size_t start = 0;
    for (size_t dot; (dot = dotted.find('.', start)) != std::string::npos; start = dot + 1) {
        std::string part = dotted.substr(start, dot - start);
        if (!t->get(part)) t->insert(part, toml::table());
        t = t->get(part)->as_table();
    }
    *leaf = dotted.substr(start);
    return *t;
}

std::string tomlText(const toml::table& root) {
    std::stringstream out;
    out << root << "\n";
    return out.str();
}

// The bytes of the recovered file at `path`, or the count and bytes of
// those below the folder `path`.
std::string sizeOf(const Recovered& files, const std::string& path, bool folder) {
    unsigned long long count = 0, bytes = 0;
    for (const RecoveredFile& f : files.files)
        if (f.path == path || f.path.compare(0, path.size() + 1, path + "/") == 0) ++count, bytes += f.bytes.size();
    std::string size = groupedNumber(bytes) + (bytes == 1 ? " byte" : " bytes");
    return !folder ? size : groupedNumber(count) + (count == 1 ? " file, " : " files, ") + size;
}

std::string printedHeader(const Recovered& files, const std::vector<std::string>& unknown) {
    std::string out = "# Printed from a launcher; `tarvo-build` builds the same launcher from it";
    if (files.files.empty()) out += ".\n";
    else
        out += "\n# and the files it names, which were in the launcher:\n"
               "#     tarvo-build --print LAUNCHER.exe --extract DIR\n"
               "# writes them into DIR beside this project, DIR/project.toml.\n";
    for (std::string what : unknown) {
        // Names from the launcher: none may end the comment and start a key.
        for (char& c : what)
            if ((unsigned char)c < 32 || c == 127) c = '?';
        out += "# It holds " + what + " that no project key gives: a launcher built from this project lacks it.\n";
    }
    return out;
}

// "  # was in the launcher: 4,286 bytes" after each line that names a file.
std::string withSizes(const std::string& text, const Recovered& files) {
    std::stringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        out += line;
        for (auto& [key, file] : files.keys) {
            std::string leaf = key.substr(key.find_last_of('.') + 1);
            if (line == leaf + " = '" + file + "'") out += "  # was in the launcher: " + sizeOf(files, file, key == "runtime");
        }
        if (!files.include.empty() && line.compare(0, 11, "include = [") == 0 && line.back() == ']')
            out += "  # was in the launcher: " + sizeOf(files, "include", true);
        out += "\n";
    }
    return out;
}

}  // namespace

std::string printProject(const std::string& arch, bool console, const std::map<unsigned, std::string>& strings,
                         const std::map<unsigned, std::string>& defaults, const Recovered& files) {
    toml::table root, raw;
    std::vector<std::string> unknown = files.unknown;
    root.insert("arch", arch);
    if (console) root.insert("subsystem", "console");
    for (auto& [id, text] : strings) {
        // The content hashes come from the files they stand for; the list
        // of included files from include.
        if (id == 2004 || id == 2005 || (!files.include.empty() && (id == 2002 || id == 2003))) continue;
        const ConfigRow* key = nullptr;
        for (size_t i = 0; i < CONFIG_ROW_COUNT; ++i)
            if (CONFIG_ROWS[i].id == id && *CONFIG_ROWS[i].key) key = &CONFIG_ROWS[i];
        if (!key || !holdsExactly(*key, text) || (id == 160 && !isOptionsFileName(text))) {
            raw.insert(std::to_string(id), text);
            continue;
        }
        std::string leaf;
        toml::table& t = tableAt(root, key->key, &leaf);
        switch (key->kind) {
            case ConfigRow::SWITCH: t.insert(leaf, text == "1"); break;
            case ConfigRow::SHOW_LOG:
                if (text == "2")
                    t.insert(leaf, "on_failure");
                else
                    t.insert(leaf, text == "1");
                break;
            case ConfigRow::INT:
            case ConfigRow::NUMBER:
            case ConfigRow::SIZE:
            case ConfigRow::WEIGHT: t.insert(leaf, strtoll(text.c_str(), nullptr, 10)); break;
            default: t.insert(leaf, text);
        }
    }
    // What a new project would inherit but this launcher does not hold.
    for (auto& [id, text] : defaults)
        if (!strings.count(id)) raw.insert(std::to_string(id), "");
    if (!raw.empty()) root.insert("strings", raw);
    // A name would give the options files its own.
    if (strings.count(101) && !strings.count(160)) root.insert("options_file", "");
    for (auto& [key, file] : files.keys) {
        std::string leaf;
        tableAt(root, key, &leaf).insert(leaf, file);
    }
    if (!files.include.empty()) {
        toml::array include;
        for (const std::string& file : files.include) include.push_back(file);
        root.insert("include", include);
    }
    if (files.version.present) {
        toml::table version;
        for (auto& [name, text] : files.version.texts) {
            const char* key = nullptr;
            for (auto& v : VERSION_KEYS)
                if (name == v[1]) key = v[0];
            if (key) version.insert(key, text);
            else unknown.push_back("the version text " + name);
        }
        root.insert("version", version);
    }
    // The comments only where they change nothing that is read back: a
    // text of several lines may hold a line that looks like a key.
    std::string text = tomlText(root), annotated = withSizes(text, files);
    try {
        if (toml::parse(annotated) == root) text = annotated;
    } catch (const toml::parse_error&) {
    }
    return printedHeader(files, unknown) + text;
}
