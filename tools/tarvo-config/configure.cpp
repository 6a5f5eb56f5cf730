#include "configure.h"

#include <windows.h>

#include <set>

static std::string lastError(const std::string& what) {
    return what + " failed (error " + std::to_string(GetLastError()) + ")";
}

static Utf16 toUtf16(const std::string& s) {
    if (s.empty()) return Utf16();
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), (int)s.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), (int)s.size(), &w[0], n);
    return Utf16(w.begin(), w.end());
}

static std::string fromUtf16(const Utf16& u) {
    if (u.empty()) return std::string();
    std::wstring w(u.begin(), u.end());
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

struct BlockReader {
    std::map<unsigned, Utf16>* strings;
    bool ok;
};

static BOOL CALLBACK readBlock(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    BlockReader* reader = (BlockReader*)param;
    if (!IS_INTRESOURCE(name)) return TRUE;
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const uint8_t* data = loaded ? (const uint8_t*)LockResource(loaded) : nullptr;
    if (!data || !decodeBlock(data, SizeofResource(module, found), (unsigned)(UINT_PTR)name, reader->strings))
        reader->ok = false;
    return TRUE;
}

static bool readUtf16Table(const std::string& exe, std::map<unsigned, Utf16>* out, std::string* error) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return *error = lastError("loading " + exe), false;
    BlockReader reader{out, true};
    EnumResourceNamesA(module, (LPCSTR)RT_STRING, readBlock, (LONG_PTR)&reader);
    FreeLibrary(module);
    if (!reader.ok) *error = "a string block of " + exe + " is damaged";
    return reader.ok;
}

bool readConfiguration(const std::string& exe, std::map<unsigned, std::string>* out, std::string* error) {
    std::map<unsigned, Utf16> table;
    if (!readUtf16Table(exe, &table, error)) return false;
    for (auto& entry : table) (*out)[entry.first] = fromUtf16(entry.second);
    return true;
}

static bool writeBlocks(const std::string& exe, const std::map<unsigned, Utf16>& table,
                        const std::set<unsigned>& blocks, std::string* error) {
    HANDLE update = BeginUpdateResourceA(exe.c_str(), FALSE);
    if (!update) return *error = lastError("opening " + exe + " for update"), false;
    WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    for (unsigned block : blocks) {
        std::vector<uint8_t> data = encodeBlock(table, block);
        BOOL ok = UpdateResourceA(update, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(block), neutral,
                                  data.empty() ? nullptr : data.data(), (DWORD)data.size());
        if (!ok && !data.empty()) {
            *error = lastError("updating string block " + std::to_string(block));
            EndUpdateResourceA(update, TRUE);
            return false;
        }
    }
    if (!EndUpdateResourceA(update, FALSE)) return *error = lastError("writing " + exe), false;
    return true;
}

bool configureLauncher(const std::string& in, const std::string& out, const std::vector<ConfigChange>& changes,
                       std::string* error) {
    if (in != out && !CopyFileA(in.c_str(), out.c_str(), FALSE))
        return *error = lastError("copying " + in + " to " + out), false;
    std::map<unsigned, Utf16> table;
    if (!readUtf16Table(out, &table, error)) return false;
    std::set<unsigned> blocks;
    for (const ConfigChange& c : changes) {
        if (c.remove)
            table.erase(c.id);
        else
            table[c.id] = toUtf16(c.value);
        blocks.insert(blockOfId(c.id));
    }
    return writeBlocks(out, table, blocks, error);
}
