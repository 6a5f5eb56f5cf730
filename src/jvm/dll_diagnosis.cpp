#include "jvm/dll_diagnosis.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "files/paths.h"
#include "files/text.h"
#include "files/wide.h"
#include "jvm/find_jvm.h"
#include "jvm/image_text.h"
#include "jvm/search_text.h"

// A VM library larger than this is not read for its imports.
static const DWORD MAX_LIBRARY = 256u * 1024 * 1024;

static void systemMessage(DWORD error, char* dst, size_t cap) {
    wchar_t text[1024];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text / sizeof text[0], nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ')) --n;
    text[n] = L'\0';
    if (!n || !toUtf8(text, dst, cap)) {
        copyText(dst, cap, "system error ");
        appendUnsigned(dst, cap, error);
    }
}

struct ImportSearch {
    const char* folders[4];
    const char* path;  // the variable PATH, never the current directory
    char missing[256];
};

static bool inFolder(const char* folder, const char* name) {
    char path[TEXT_CAP];
    copyText(path, sizeof path, folder);
    return appendText(path, sizeof path, name) && pathExists(path);
}

// Where the loader would look for an import of jvm.dll: the launcher's
// folder, the Java's bin (made part of the search), the system folders and
// the search path.
static bool takeImport(const char* name, void* context) {
    ImportSearch* search = (ImportSearch*)context;
    if (!strncmp(name, "api-ms-", 7) || !strncmp(name, "API-MS-", 7) || !strncmp(name, "ext-ms-", 7)) return true;
    for (const char* folder : search->folders)
        if (folder && inFolder(folder, name)) return true;
    char found[TEXT_CAP];
    if (search->path && searchPathIn(search->path, name, found, sizeof found)) return true;
    copyText(search->missing, sizeof search->missing, name);
    return false;
}

static bool readLibrary(const char* path, unsigned char** bytes, size_t* length) {
    HANDLE f = openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0, size = GetFileSize(f, &high);
    *bytes = high || size > MAX_LIBRARY ? nullptr : (unsigned char*)malloc(size ? size : 1);
    DWORD got = 0;
    bool ok = *bytes && ReadFile(f, *bytes, size, &got, nullptr) && got == size;
    CloseHandle(f);
    *length = got;
    return ok;
}

static void findMissingImport(const char* javaPath, const char* library, char* dst, size_t cap) {
    unsigned char* image = nullptr;
    size_t length = 0;
    if (!readLibrary(library, &image, &length)) {
        free(image);
        return;
    }
    char bin[TEXT_CAP], system[TEXT_CAP], windows[TEXT_CAP];
    wchar_t wide[TEXT_CAP];
    jvmDirectoryOf(bin, sizeof bin, javaPath);
    UINT n = GetSystemDirectoryW(wide, TEXT_CAP);
    if (!n || n >= TEXT_CAP || !toUtf8(wide, system, sizeof system) || !appendText(system, sizeof system, "\\"))
        system[0] = '\0';
    n = GetWindowsDirectoryW(wide, TEXT_CAP);
    if (!n || n >= TEXT_CAP || !toUtf8(wide, windows, sizeof windows) || !appendText(windows, sizeof windows, "\\"))
        windows[0] = '\0';
    char* path = environmentValue("PATH");
    ImportSearch search = {{exeDirectory(), bin, system[0] ? system : nullptr, windows[0] ? windows : nullptr},
                           path, ""};
    importedDllNames(image, length, takeImport, &search);
    free(path);
    free(image);
    if (!search.missing[0]) return;
    appendTexts(dst, cap, {"\njvm.dll needs ", search.missing, ", which is neither in ", bin,
                           " nor in the system folder."});
}

void describeLoadFailure(const char* javaPath, char* dst, size_t cap) {
    if (cap) dst[0] = '\0';
    const char* library = nullptr;
    DWORD error = jvmLoadError(&library);
    if (!error || !library[0]) return;
    char reason[1024];
    systemMessage(error, reason, sizeof reason);
    appendTexts(dst, cap, {"jvm.dll could not be loaded: ", reason});
    if (error == ERROR_MOD_NOT_FOUND) findMissingImport(javaPath, library, dst, cap);
}
