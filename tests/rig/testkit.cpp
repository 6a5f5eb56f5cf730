#include "testkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "config_lines.h"
#include "string_block.h"
#include "utf.h"

static std::string fromEnv(const char* name) {
    const char* v = getenv(name);
    std::string s = v ? v : "";
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

std::string sourcePath(const std::string& relative) { return fromEnv("TARVO_SOURCE") + "\\" + relative; }
std::string buildPath(const std::string& relative) { return fromEnv("TARVO_BUILD") + "\\" + relative; }
bool testingX86() { return fromEnv("TARVO_ARCH") == "x86"; }
std::string templatePath() { return testingX86() ? productPath() : buildPath("tarvo.exe"); }
std::string standinPath(const std::string& name, bool foreign) {
    return (testingX86() != foreign ? fromEnv("TARVO_BUILD32") : fromEnv("TARVO_BUILD")) + "\\" + name;
}
std::string productPath() { return sourcePath("dist\\tarvo.exe"); }

ScratchDir::ScratchDir(const std::string& hint) {
    static unsigned counter = 0;
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    for (int tries = 0; tries < 100; ++tries) {
        path = std::string(tmp) + "tt-" + hint + "-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
        if (CreateDirectoryA(path.c_str(), nullptr)) return;
    }
    ADD_FAILURE() << "cannot make a scratch folder in " << tmp;
}

ScratchDir::~ScratchDir() { removeTree(path); }

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

static std::string ansiToUtf8(const std::string& ansi) {
    if (ansi.empty()) return ansi;
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), (int)ansi.size(), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), (int)ansi.size(), &wide[0], n);
    return utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

static std::vector<uint8_t> readBytes(const std::string& path) {
    std::string s = readFile(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

void makeLauncher(const std::string& path, const std::vector<std::string>& lines, bool console) {
    LauncherPlan plan;
    plan.console = console;
    for (const std::string& line : lines) {
        ConfigChange c;
        bool skip = false;
        std::string error;
        ASSERT_TRUE(parseConfigLine(line, &c, &skip, &error)) << error;
        // The tests write their texts in the ANSI code page, as the launcher reads them.
        if (!skip) plan.strings[c.id] = c.remove ? "" : ansiToUtf8(c.value);
    }
    makeLauncher(path, plan);
}

void makeLauncher(const std::string& path, const LauncherPlan& plan) {
    std::vector<uint8_t> launcher;
    std::string error;
    ASSERT_TRUE(buildLauncher(readBytes(templatePath()), plan, 0, &launcher, &error)) << error;
    writeFile(path, std::string(launcher.begin(), launcher.end()));
}

static BOOL CALLBACK readBlock(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    auto* table = (std::map<unsigned, std::u16string>*)param;
    if (!IS_INTRESOURCE(name)) return TRUE;
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const uint8_t* data = loaded ? (const uint8_t*)LockResource(loaded) : nullptr;
    if (data) decodeBlock(data, SizeofResource(module, found), (unsigned)(UINT_PTR)name, table);
    return TRUE;
}

bool readConfiguration(const std::string& exe, std::map<unsigned, std::string>* out, std::string* error) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return *error = "cannot load " + exe, false;
    std::map<unsigned, std::u16string> table;
    EnumResourceNamesA(module, (LPCSTR)RT_STRING, readBlock, (LONG_PTR)&table);
    FreeLibrary(module);
    for (auto& entry : table) {
        std::wstring w(entry.second.begin(), entry.second.end());
        int n = WideCharToMultiByte(CP_ACP, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
        std::string s(n, '\0');
        WideCharToMultiByte(CP_ACP, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
        (*out)[entry.first] = s;
    }
    return true;
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

REGSAM registryView() { return testingX86() ? KEY_WOW64_32KEY : 0; }
static REGSAM view() { return registryView(); }

void deleteRegistryTree(const char* subKey, HKEY root) {
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS | view(), &key) != ERROR_SUCCESS) return;
    RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExA(root, subKey, view(), 0);
}

std::string userValue(const char* subKey, const char* name) {
    char data[16384] = "";
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, subKey, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "";
    return data;
}

bool readRegistryValue(const char* subKey, const char* name, std::string* data, DWORD* type) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ | view(), &key) != ERROR_SUCCESS) return false;
    DWORD size = 0, t = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &t, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        data->assign(size, '\0');
        rc = RegQueryValueExA(key, name, nullptr, &t, (BYTE*)&(*data)[0], &size);
        data->resize(size);
    }
    RegCloseKey(key);
    if (type) *type = t;
    return rc == ERROR_SUCCESS;
}

void writeRegistryValue(const char* subKey, const char* name, DWORD type, const std::string& data, HKEY root) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS | view(), nullptr,
                                             &key, nullptr));
    RegSetValueExA(key, name, 0, type, (const BYTE*)data.data(), (DWORD)data.size());
    RegCloseKey(key);
}

ScopedEnv::ScopedEnv(const char* n, const char* value) : name(n) {
    char buf[32768];
    DWORD len = GetEnvironmentVariableA(n, buf, sizeof buf);
    had = len > 0 && len < sizeof buf;
    if (had) old = buf;
    SetEnvironmentVariableA(n, value);
}

ScopedEnv::~ScopedEnv() { SetEnvironmentVariableA(name.c_str(), had ? old.c_str() : nullptr); }

std::string runCaptured(const std::string& commandLine, const std::string& cwd, const char* program) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    CreatePipe(&readEnd, &writeEnd, &sa, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi;
    std::string line = commandLine;
    BOOL ok = CreateProcessA(program, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                             cwd.empty() ? nullptr : cwd.c_str(), &si, &pi);
    CloseHandle(writeEnd);
    std::string out;
    if (ok) {
        char buf[4096];
        DWORD n;
        while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n) out.append(buf, n);
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(readEnd);
    for (size_t at; (at = out.find('\r')) != std::string::npos;) out.erase(at, 1);
    return out;
}

std::string lowerCopy(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return text;
}
