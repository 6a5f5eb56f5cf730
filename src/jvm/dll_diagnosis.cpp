#include "jvm/dll_diagnosis.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "files/paths.h"
#include "files/text.h"
#include "files/wide.h"
#include "jvm/image_text.h"
#include "jvm/search_text.h"

// A VM library larger than this is not read for its imports.
static const size_t MAX_LIBRARY = 256u * 1024 * 1024;

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

// A real jvm.dll imports a dozen DLLs; a damaged one may claim millions,
// and each is looked for on the disk.
enum { MAX_IMPORTS = 256 };

struct ImportSearch {
    const char* folders[4];
    const char* path;  // the variable PATH, never the current directory
    char missing[256];
    int looked;
};

static bool inFolder(const char* folder, const char* name) {
    char path[TEXT_CAP];
    copyText(path, sizeof path, folder);
    return appendText(path, sizeof path, name) && pathExists(path);
}

// Where the loader looks for an import of jvm.dll: its own folder, the
// Java's bin (made part of the search) and the system folder; never the
// launcher's folder or the search path.
static bool takeImport(const char* name, void* context) {
    ImportSearch* search = (ImportSearch*)context;
    if (++search->looked > MAX_IMPORTS) return false;
    if (!strncmp(name, "api-ms-", 7) || !strncmp(name, "API-MS-", 7) || !strncmp(name, "ext-ms-", 7)) return true;
    for (const char* folder : search->folders)
        if (folder && inFolder(folder, name)) return true;
    char found[TEXT_CAP];
    if (search->path && searchPathIn(search->path, name, found, sizeof found)) return true;
    copyText(search->missing, sizeof search->missing, name);
    return false;
}

// A folder of the system, with its trailing backslash; empty when unknown.
static void systemFolder(UINT (WINAPI* get)(LPWSTR, UINT), char* dst, size_t cap) {
    wchar_t wide[TEXT_CAP];
    UINT n = get(wide, TEXT_CAP);
    if (!n || n >= TEXT_CAP || !toUtf8(wide, dst, cap) || !appendText(dst, cap, "\\")) dst[0] = '\0';
}

static void findMissingImport(const char* javaPath, const char* library, char* dst, size_t cap) {
    size_t length = 0;
    unsigned char* image = (unsigned char*)readFileAlloc(library, MAX_LIBRARY, &length);
    if (!image) return;
    char bin[TEXT_CAP], own[TEXT_CAP], system[TEXT_CAP];
    jvmDirectoryOf(bin, sizeof bin, javaPath);
    copyText(own, sizeof own, library);
    char* slash = strrchr(own, '\\');
    if (slash) slash[1] = '\0';
    systemFolder(GetSystemDirectoryW, system, sizeof system);
    ImportSearch search = {{slash ? own : nullptr, bin, system[0] ? system : nullptr, nullptr}, nullptr, "", 0};
    importedDllNames(image, length, takeImport, &search);
    free(image);
    if (!search.missing[0]) return;
    appendTexts(dst, cap, {"\njvm.dll needs ", search.missing, ", which is neither in ", bin,
                           " nor in the system folder."});
}

void describeLoadFailure(const char* javaPath, DWORD error, const char* library, char* dst, size_t cap) {
    if (cap) dst[0] = '\0';
    if (!error || !library[0]) return;
    char reason[1024];
    systemMessage(error, reason, sizeof reason);
    appendTexts(dst, cap, {"jvm.dll could not be loaded: ", reason});
    if (error == ERROR_MOD_NOT_FOUND) findMissingImport(javaPath, library, dst, cap);
}
