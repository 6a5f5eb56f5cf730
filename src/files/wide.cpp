#include "files/wide.h"

#include <cstdlib>
#include <cwchar>

#include "files/text.h"

bool toWide(const char* utf8, wchar_t* out, size_t cap) {
    if (cap == 0) return false;
    out[0] = L'\0';
    if (!utf8[0]) return true;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, out, (int)(cap > 0x7FFFFFFF ? 0x7FFFFFFF : cap));
    if (n <= 0) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool toUtf8(const wchar_t* wide, char* out, size_t cap) {
    if (cap == 0) return false;
    out[0] = '\0';
    if (!wide[0]) return true;
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, (int)cap, nullptr, nullptr);
    if (n > 0) return true;
    // Too long: take what fits, cut between characters.
    char* whole = allocUtf8(wide);
    if (whole) copyChars(out, cap, whole, utf8Prefix(whole, cap - 1));
    free(whole);
    return false;
}

size_t wideLength(const char* utf8) {
    if (!utf8[0]) return 0;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    return n > 0 ? (size_t)n - 1 : 0;
}

char* allocUtf8(const wchar_t* wide, int length) {
    int needed = length == 0 ? 0 : WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    char* out = (char*)malloc((size_t)(needed > 0 ? needed : 0) + 1);
    if (!out) return nullptr;
    int got = needed > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, length, out, needed, nullptr, nullptr) : 0;
    out[got > 0 ? got : 0] = '\0';  // an explicit length brings no terminator of its own
    return out;
}

wchar_t* allocWide(const char* utf8) {
    int needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    wchar_t* out = needed > 0 ? (wchar_t*)malloc((size_t)needed * sizeof(wchar_t)) : nullptr;
    if (out && MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out, needed) <= 0) out[0] = L'\0';
    return out;
}

const char* commandLineUtf8() {
    static char* line = nullptr;
    if (!line) line = allocUtf8(GetCommandLineW());
    return line ? line : "";
}

bool ownBaseName(char* dst, size_t cap) {
    char own[TEXT_CAP];
    if (cap) dst[0] = '\0';
    if (!ownProgramPath(own, sizeof own)) return false;
    const char* name = strrchr(own, '\\') ? strrchr(own, '\\') + 1 : own;
    const char* dot = strrchr(name, '.');
    return copyChars(dst, cap, name, dot ? (size_t)(dot - name) : strlen(name));
}

bool quotedOwnProgramPath(char* dst, size_t cap) {
    char path[TEXT_CAP];
    return ownProgramPath(path, sizeof path) && copyText(dst, cap, "\"") && appendTexts(dst, cap, {path, "\""});
}

bool ownProgramPath(char* dst, size_t cap) {
    wchar_t path[TEXT_CAP];
    DWORD n = GetModuleFileNameW(nullptr, path, TEXT_CAP);
    if (n == 0 || n >= TEXT_CAP) {
        dst[0] = '\0';
        return false;
    }
    return toUtf8(path, dst, cap);
}

HANDLE openFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    WidePath w(path);
    if (!w.ok) return INVALID_HANDLE_VALUE;
    return CreateFileW(w.text, access, share, nullptr, disposition, flags, nullptr);
}

bool appendToFile(const char* path, const char* text) {
    HANDLE h = openFile(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD length = (DWORD)strlen(text), written = 0;
    bool ok = WriteFile(h, text, length, &written, nullptr) && written == length;
    CloseHandle(h);
    return ok;
}

DWORD fileAttributes(const char* path) {
    WidePath w(path);
    return w.ok ? GetFileAttributesW(w.text) : INVALID_FILE_ATTRIBUTES;
}

bool deleteFile(const char* path) {
    WidePath w(path);
    return w.ok && DeleteFileW(w.text);
}

bool createDirectory(const char* path) {
    WidePath w(path);
    return w.ok && CreateDirectoryW(w.text, nullptr);
}

bool removeDirectory(const char* path) {
    WidePath w(path);
    return w.ok && RemoveDirectoryW(w.text);
}

bool renamePath(const char* from, const char* to) {
    WidePath a(from), b(to);
    return a.ok && b.ok && MoveFileExW(a.text, b.text, 0);
}

bool fullPath(const char* path, char* dst, size_t cap) {
    WidePath w(path);
    wchar_t full[TEXT_CAP];
    DWORD n = w.ok ? GetFullPathNameW(w.text, TEXT_CAP, full, nullptr) : 0;
    if (n == 0 || n >= TEXT_CAP) return false;
    return toUtf8(full, dst, cap);
}

bool searchPathIn(const char* folders, const char* fileName, char* dst, size_t cap) {
    WidePath w(fileName);
    wchar_t* wFolders = folders ? allocWide(folders) : nullptr;
    wchar_t found[TEXT_CAP];
    DWORD n = w.ok && (!folders || wFolders) ? SearchPathW(wFolders, w.text, nullptr, TEXT_CAP, found, nullptr) : 0;
    free(wFolders);
    if (n == 0 || n >= TEXT_CAP) return false;
    return toUtf8(found, dst, cap);
}

bool searchPath(const char* fileName, char* dst, size_t cap) { return searchPathIn(nullptr, fileName, dst, cap); }

bool tempPath(char* dst, size_t cap) {
    wchar_t dir[TEXT_CAP];
    DWORD n = GetTempPathW(TEXT_CAP, dir);
    if (n == 0 || n >= TEXT_CAP) return false;
    return toUtf8(dir, dst, cap);
}

bool tempFileName(const char* dir, const char* prefix, char* dst, size_t cap) {
    WidePath wDir(dir), wPrefix(prefix);
    wchar_t name[TEXT_CAP];  // GetTempFileNameW writes up to MAX_PATH characters
    if (!wDir.ok || !wPrefix.ok || !GetTempFileNameW(wDir.text, wPrefix.text, 0, name)) return false;
    return toUtf8(name, dst, cap);
}

// Where the system cannot make the short path at once (Wine fails for some
// names that do have an alias), it is built a component at a time from the
// aliases that a folder search reports, as Windows itself does.
static bool shortPathByParts(const wchar_t* path, wchar_t* out, size_t cap) {
    size_t at = 0, len = wcslen(path);
    if (len >= 3 && path[1] == L':' && path[2] == L'\\') at = 3;
    if (len >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        // \\server\share\ is the root of a network path.
        at = 2;
        for (int parts = 0; parts < 2 && at < len; ++parts) {
            at += wcscspn(path + at, L"\\");
            if (at < len) ++at;
        }
    }
    if (at == 0 || at > len || at >= cap) return false;
    wmemcpy(out, path, at);
    out[at] = L'\0';
    while (at < len) {
        size_t part = wcscspn(path + at, L"\\"), used = wcslen(out);
        if (used + part + 2 > cap) return false;
        wmemcpy(out + used, path + at, part);
        out[used + part] = L'\0';
        WIN32_FIND_DATAW data;
        // A wildcard would find another file's alias.
        bool plain = part && wcscspn(out + used, L"*?") == part;
        HANDLE h = plain ? FindFirstFileW(out, &data) : INVALID_HANDLE_VALUE;
        if (h == INVALID_HANDLE_VALUE) return false;
        FindClose(h);
        if (data.cAlternateFileName[0]) {
            size_t alias = wcslen(data.cAlternateFileName);
            if (used + alias + 2 > cap) return false;
            wmemcpy(out + used, data.cAlternateFileName, alias + 1);
        }
        at += part;
        if (at < len) {
            wcscat(out, L"\\");
            ++at;
        }
    }
    return true;
}

void codePageToUtf8(const char* text, char* out, size_t cap) {
    if (cap) out[0] = '\0';
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    wchar_t* wide = n > 0 ? (wchar_t*)malloc((size_t)n * sizeof(wchar_t)) : nullptr;
    if (wide && MultiByteToWideChar(CP_ACP, 0, text, -1, wide, n) > 0) toUtf8(wide, out, cap);
    free(wide);
}

bool shortPath(const char* path, char* dst, size_t cap) {
    WidePath w(path);
    wchar_t out[TEXT_CAP];
    if (!w.ok) return false;
    DWORD n = GetShortPathNameW(w.text, out, TEXT_CAP);
    if ((n == 0 || n >= TEXT_CAP) && !shortPathByParts(w.text, out, TEXT_CAP)) return false;
    return toUtf8(out, dst, cap);
}

bool realPathOf(void* handle, char* dst, size_t cap) {
    wchar_t wide[TEXT_CAP];
    DWORD n = GetFinalPathNameByHandleW((HANDLE)handle, wide, TEXT_CAP, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= TEXT_CAP) return false;
    // \\?\C:\... and \\?\UNC\server\... as the paths users know.
    const wchar_t* from = wide;
    if (wcsncmp(from, L"\\\\?\\UNC\\", 8) == 0) {
        from += 6;
        wide[6] = L'\\';
    } else if (wcsncmp(from, L"\\\\?\\", 4) == 0) {
        from += 4;
    }
    return toUtf8(from, dst, cap);
}

bool linkTarget(const char* path, char* dst, size_t cap) {
    WidePath w(path);
    if (!w.ok) return false;
    DWORD attributes = GetFileAttributesW(w.text);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    HANDLE h = CreateFileW(w.text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool found = realPathOf(h, dst, cap);
    CloseHandle(h);
    return found;
}

static void takeFound(const WIN32_FIND_DATAW& data, FoundFile* found) {
    toUtf8(data.cFileName, found->name, sizeof found->name);
    found->lastWrite = data.ftLastWriteTime;
    found->attributes = data.dwFileAttributes;
    found->size = (unsigned long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

HANDLE findFirstFile(const char* pattern, FoundFile* found) {
    WidePath w(pattern);
    if (!w.ok) return INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(w.text, &data);
    if (h != INVALID_HANDLE_VALUE) takeFound(data, found);
    return h;
}

bool findNextFile(HANDLE search, FoundFile* found) {
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(search, &data)) return false;
    takeFound(data, found);
    return true;
}

char* environmentValue(const char* name) {
    WidePath w(name);
    if (!w.ok) return nullptr;
    DWORD needed = GetEnvironmentVariableW(w.text, nullptr, 0);
    if (needed == 0) return nullptr;
    wchar_t* value = (wchar_t*)malloc((size_t)needed * sizeof(wchar_t));
    if (!value) return nullptr;
    DWORD got = GetEnvironmentVariableW(w.text, value, needed);
    char* out = got > 0 && got < needed ? allocUtf8(value) : nullptr;
    free(value);
    return out;
}

bool environmentValue(const char* name, char* dst, size_t cap) {
    dst[0] = '\0';
    char* value = environmentValue(name);
    bool fits = value && copyText(dst, cap, value);
    free(value);
    if (!fits) dst[0] = '\0';
    return fits;
}

HMODULE loadLibrary(const char* path) {
    WidePath w(path);
    return w.ok ? LoadLibraryW(w.text) : nullptr;
}

HMODULE loadLibraryAlone(const char* path) {
    WidePath w(path);
    if (!w.ok) return nullptr;
    HMODULE module = LoadLibraryExW(w.text, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                                                         LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A Windows 7 without the update that knows these flags: the library's
    // own folder in the program's place.
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    return LoadLibraryExW(w.text, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool setDllDirectory(const char* path) {
    WidePath w(path);
    return w.ok && SetDllDirectoryW(w.text);
}

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);
typedef void*(WINAPI* AddDllDirectoryFunction)(const wchar_t*);

// Looked up, not imported: a Windows 7 without its update would refuse to
// start a program that imports them.
static FARPROC kernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? GetProcAddress(kernel, name) : nullptr;
}

bool allowDllFolder(const char* directory) {
    AddDllDirectoryFunction add = (AddDllDirectoryFunction)(void*)kernelFunction("AddDllDirectory");
    WidePath w(directory);
    return add && w.ok && add(w.text) != nullptr;
}

bool restrictDllSearch(const char* directory) {
    SetDefaultDllDirectoriesFunction restrict =
        (SetDefaultDllDirectoriesFunction)(void*)kernelFunction("SetDefaultDllDirectories");
    if (!restrict || !allowDllFolder(directory)) return false;
    return restrict(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS) != FALSE;
}

BOOL createProcess(const char* program, const char* commandLine, BOOL inherit, DWORD flags, const char* directory,
                   STARTUPINFOW* si, PROCESS_INFORMATION* pi) {
    ZeroMemory(pi, sizeof *pi);
    wchar_t* line = allocWide(commandLine);
    wchar_t* wProgram = program ? allocWide(program) : nullptr;
    wchar_t* wDirectory = directory ? allocWide(directory) : nullptr;
    BOOL ok = line && (!program || wProgram) && (!directory || wDirectory) &&
              CreateProcessW(wProgram, line, nullptr, nullptr, inherit, flags, nullptr, wDirectory, si, pi);
    free(line);
    free(wProgram);
    free(wDirectory);
    return ok;
}

// A console shows it whole; a file or a pipe gets it in the console's code
// page, as java.exe writes, with Windows line ends.
void printToStandardError(const char* text) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    wchar_t* wide = allocWide(text);
    DWORD mode = 0, done = 0;
    if (!wide || !error || error == INVALID_HANDLE_VALUE) {
        free(wide);
        return;
    }
    if (GetConsoleMode(error, &mode)) {
        WriteConsoleW(error, wide, (DWORD)lstrlenW(wide), &done, nullptr);
        WriteConsoleW(error, L"\r\n", 2, &done, nullptr);
        free(wide);
        return;
    }
    UINT page = GetConsoleOutputCP() ? GetConsoleOutputCP() : GetACP();
    // A file or pipe is read in whatever code page its reader takes:
    // typographic dashes and quotes (the report's dash among them) go as
    // ASCII, which reads right in all.
    for (wchar_t* at = wide; *at; ++at) {
        if (*at == 0x2013 || *at == 0x2014) *at = L'-';
        if (*at == 0x2018 || *at == 0x2019) *at = L'\'';
        if (*at == 0x201C || *at == 0x201D) *at = L'"';
    }
    // Pieces that fit the buffer in any code page, a line end where the
    // text has one.
    for (const wchar_t* at = wide; *at;) {
        const wchar_t* end = at;
        while (*end && *end != L'\n' && end - at < 2000) ++end;
        if (*end && *end != L'\n' && end[-1] >= 0xD800 && end[-1] < 0xDC00) --end;
        char bytes[TEXT_CAP];
        int n = WideCharToMultiByte(page, 0, at, (int)(end - at), bytes, sizeof bytes - 2, nullptr, nullptr);
        if (*end != L'\n' && *end) {
            WriteFile(error, bytes, (DWORD)n, &done, nullptr);
            at = end;
            continue;
        }
        bytes[n] = '\r';
        bytes[n + 1] = '\n';
        WriteFile(error, bytes, (DWORD)n + 2, &done, nullptr);
        at = *end ? end + 1 : end;
    }
    free(wide);
}

int messageBox(const char* text, const char* caption, UINT flags) {
    wchar_t* wText = allocWide(text);
    wchar_t* wCaption = allocWide(caption);
    int result = MessageBoxW(nullptr, wText ? wText : L"", wCaption ? wCaption : L"", flags);
    free(wText);
    free(wCaption);
    return result;
}
