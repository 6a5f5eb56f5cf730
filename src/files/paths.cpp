#include "files/paths.h"

#include <cstring>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cwchar>

#include "files/text.h"
#include "files/wide.h"

static char exeDir[TEXT_CAP];
static bool exeDirKnown = false;

// From the module itself, never from the command line: a start without
// quotes would make C:\Program Files\... read as C:\.
static bool computeExeDir() {
    if (!ownProgramPath(exeDir, sizeof exeDir)) {
        exeDir[0] = '\0';
        return false;
    }
    cutToDirectory(exeDir);
    exeDirKnown = true;
    return true;
}

const char* exeDirectory() {
    if (!exeDirKnown) computeExeDir();
    return exeDir;
}

void resolveFromExeDir(char* dst, const char* path) {
    dst[0] = '\0';
    if (!isRelativePath(path) || (!exeDirKnown && !computeExeDir())) {
        copyText(dst, TEXT_CAP, path);
        return;
    }
    copyText(dst, TEXT_CAP, exeDir);
    appendText(dst, TEXT_CAP, path);
}

void canonicalLowerPath(char* dst, const char* path) {
    char joined[TEXT_CAP];
    resolveFromExeDir(joined, path);
    if (!fullPath(joined, dst, TEXT_CAP)) copyText(dst, TEXT_CAP, joined);
    lowerAscii(dst);
}

bool pathExists(const char* path, FileTime* lastWriteTime) {
    FoundFile found;
    HANDLE h = findFirstFile(path, &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    if (lastWriteTime) {
        lastWriteTime->low = found.lastWrite.dwLowDateTime;
        lastWriteTime->high = found.lastWrite.dwHighDateTime;
    }
    return true;
}

size_t readFileStart(const char* path, void* buf, size_t cap) {
    HANDLE f = openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (f == INVALID_HANDLE_VALUE) return 0;
    DWORD got = 0;
    if (!ReadFile(f, buf, (DWORD)cap, &got, nullptr)) got = 0;
    CloseHandle(f);
    return got;
}

char* readFileAlloc(const char* path, size_t maxBytes, size_t* length) {
    *length = 0;
    HANDLE f = openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (f == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size;
    size_t want = GetFileSizeEx(f, &size) ? (size.QuadPart < (LONGLONG)maxBytes ? (size_t)size.QuadPart : maxBytes) : 0;
    char* data = (char*)malloc(want + 1);
    DWORD got = 0;
    if (data && !ReadFile(f, data, (DWORD)want, &got, nullptr)) got = 0;
    CloseHandle(f);
    if (data) data[got] = '\0';
    *length = got;
    return data;
}

void makeTempFile(char* dst) {
    char dir[TEXT_CAP];
    dst[0] = '\0';
    if (!tempPath(dir, sizeof dir) || !tempFileName(dir, "tvo", dst, TEXT_CAP)) dst[0] = '\0';
}

// Deletes a folder and all below it; links are deleted, never followed.
// The folder is held while its entries go, without sharing deletion, so
// that nothing can rename it and put a link in its place meanwhile; one that
// is a link or junction is never entered: only the link itself goes.
bool isLink(const char* path) {
    DWORD attributes = fileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void* holdFolderOpen(const char* path) {
    WidePath wide(path);
    return wide.ok ? CreateFileW(wide.text, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)
                   : INVALID_HANDLE_VALUE;
}

// Below `within`, in any case: "C:\Temp\a" is below "C:\TEMP", "C:\Temp2" is not.
static bool heldWithin(HANDLE held, const char* within) {
    char real[TEXT_CAP];
    size_t n = strlen(within);
    return realPathOf(held, real, sizeof real) && _strnicmp(real, within, n) == 0 && real[n] == '\\' && real[n + 1];
}

bool deleteFileWithin(const char* path, const char* within) {
    WidePath wide(path);
    if (!wide.ok) return false;
    HANDLE file = CreateFileW(wide.text, DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    FILE_DISPOSITION_INFO gone = {TRUE};
    bool deleted = GetFileInformationByHandle(file, &info) &&
                   !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
                   heldWithin(file, within) && SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone);
    CloseHandle(file);
    return deleted;
}

void removeTree(const char* folder, const char* within) {
    HANDLE held = holdFolderOpen(folder);
    if (held == INVALID_HANDLE_VALUE) return;
    if (within && !heldWithin(held, within)) {
        CloseHandle(held);
        return;
    }
    // Both the handle and the name must say so: a system that cannot open
    // a link itself opens where it leads, and only the name tells.
    BY_HANDLE_FILE_INFORMATION info;
    bool plainFolder = GetFileInformationByHandle(held, &info) &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                       !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !isLink(folder);
    char pattern[TEXT_CAP], path[TEXT_CAP];
    copyText(pattern, sizeof pattern, folder);
    FoundFile found;
    HANDLE search = plainFolder && appendText(pattern, sizeof pattern, "\\*") ? findFirstFile(pattern, &found)
                                                                              : INVALID_HANDLE_VALUE;
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = findNextFile(search, &found)) {
        copyText(path, sizeof path, folder);
        if (strcmp(found.name, ".") == 0 || strcmp(found.name, "..") == 0 ||
            !appendTexts(path, sizeof path, {"\\", found.name}))
            continue;
        if (found.attributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(path, within);
        else deleteFile(path);
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    CloseHandle(held);
    // A link to a folder goes as a folder on one system, as a file on another.
    if (!removeDirectory(folder) && !plainFolder) deleteFile(folder);
}

bool runsElevated() {
    HANDLE token = nullptr;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    bool elevated = GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size) &&
                    type == TokenElevationTypeFull;
    CloseHandle(token);
    return elevated;
}

// The system's record, asked of the process itself: a snapshot of every
// process costs a start tens of milliseconds under some systems.
struct BasicInformation {
    void* reserved1;
    void* pebBaseAddress;
    void* reserved2[2];
    ULONG_PTR uniqueProcessId;
    ULONG_PTR inheritedFromUniqueProcessId;
};
typedef LONG(WINAPI* QueryInformationFunction)(HANDLE, int, void*, ULONG, ULONG*);

unsigned long parentProcessId() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    QueryInformationFunction query =
        ntdll ? (QueryInformationFunction)(void*)GetProcAddress(ntdll, "NtQueryInformationProcess") : nullptr;
    BasicInformation info;
    if (query && query(GetCurrentProcess(), 0, &info, sizeof info, nullptr) >= 0)
        return (unsigned long)info.inheritedFromUniqueProcessId;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    DWORD self = GetCurrentProcessId(), parent = 0;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snap, &entry); more && !parent; more = Process32NextW(snap, &entry))
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    CloseHandle(snap);
    return parent;
}
