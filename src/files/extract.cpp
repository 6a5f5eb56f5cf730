#include "files/extract.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "files/paths.h"
#include "files/temp_records.h"
#include "files/busy.h"
#include "files/list_text.h"
#include "files/text.h"
#include "files/wide.h"

static const DWORD WRITE_PART = 4u << 20;
enum {
    ERR_NO_FOLDER = 7,
    ERR_NO_RESOURCE = 8,
    ERR_NOT_LOADED = 9,
    ERR_NO_DATA = 10,
    ERR_NOT_CREATED = 11,
    ERR_NOT_WRITTEN = 12,
};

int writeResourceFile(HMODULE module, const char* path, const char* resourceName, const char* resourceType,
                      bool asCopy, HANDLE* keep) {
    HRSRC found = FindResourceA(module, resourceName, resourceType);
    if (!found) return ERR_NO_RESOURCE;
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return ERR_NOT_LOADED;
    // The data is the mapped image itself: it goes to the file from there,
    // never through a buffer of ours.
    const char* data = (const char*)LockResource(loaded);
    if (!data) return ERR_NO_DATA;
    // A copy's file is new, never one that another put there, nor through a link.
    HANDLE file = asCopy ? openFile(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT)
                         : openFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return ERR_NOT_CREATED;
    // In parts, so that the splash answers between them.
    for (DWORD written = 0; written < size;) {
        DWORD now = 0, part = size - written < WRITE_PART ? size - written : WRITE_PART;
        if (!WriteFile(file, data + written, part, &now, nullptr)) {
            CloseHandle(file);
            return ERR_NOT_WRITTEN;
        }
        written += now;
        whileBusy();
    }
    // The caller flushes it, with the others, before a marker says the copy
    // is whole.
    if (keep) {
        *keep = file;
        return 0;
    }
    bool kept = !asCopy || FlushFileBuffers(file);
    CloseHandle(file);
    return kept ? 0 : ERR_NOT_WRITTEN;
}

// A name that would leave the folder, or a path that does not fit, is
// refused before anything is made: the launcher does not trust even its
// own resources to name only plain files.
static bool namesArePlain(const char* names, int count, size_t folderLength) {
    char name[TEXT_CAP], other[TEXT_CAP];
    const char* at = names;
    for (int i = 0; i < count && nextListEntry(&at, name, sizeof name); ++i) {
        if (!isPlainFileName(name) || folderLength + 1 + strlen(name) >= TEXT_CAP) return false;
        // Two names that Windows takes for one file.
        const char* before = names;
        for (int j = 0; j < i && nextListEntry(&before, other, sizeof other); ++j)
            if (sameFileName(name, other)) return false;
    }
    return true;
}

enum { FOLDER_TRIES = 5 };

// A new folder <temp name>_dir. One left by a crash, or made by another
// program, takes the next name; the temporary files hold their names until
// the folder is made, so that each try gets a new one.
bool makeExtractionFolder(char* folder) {
    char names[FOLDER_TRIES][TEXT_CAP];
    int made = 0;
    bool done = false;
    for (; made < FOLDER_TRIES && !done; ++made) {
        makeTempFile(names[made]);
        if (!names[made][0]) break;
        copyText(folder, TEXT_CAP, names[made]);
        done = appendText(folder, TEXT_CAP, "_dir") && createDirectory(folder);
    }
    for (int i = 0; i < made; ++i)
        if (names[i][0]) deleteFile(names[i]);
    return done;
}

// An elevated start's extracted files, held from their check until the
// process ends and inherited by the child: the user's other processes can
// write to the temporary folder, and must not change a byte the VM reads.
static HANDLE* heldFiles = nullptr;
static size_t heldCount = 0;

static void releaseHeldFiles() {
    while (heldCount) CloseHandle(heldFiles[--heldCount]);
}

// Opened without write or delete sharing, then its bytes compared with the
// resource's: from here on no other process can change them.
static bool holdAsWritten(HMODULE module, const char* path, const char* resourceName) {
    HRSRC found = FindResourceA(module, resourceName, "APPFILES");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? (const char*)LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(module, found) : 0;
    HANDLE* grown = (HANDLE*)realloc(heldFiles, (heldCount + 1) * sizeof(HANDLE));
    if (!data || !grown) return false;
    heldFiles = grown;
    WidePath wide(path);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = wide.ok ? CreateFileW(wide.text, GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)
                          : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) return false;
    heldFiles[heldCount++] = file;
    static char buffer[1 << 16];
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file, &length) || (unsigned long long)length.QuadPart != size) return false;
    for (DWORD done = 0, got = 0; done < size; done += got) {
        DWORD ask = size - done < sizeof buffer ? size - done : (DWORD)sizeof buffer;
        if (!ReadFile(file, buffer, ask, &got, nullptr) || got == 0 || memcmp(buffer, data + done, got) != 0)
            return false;
        whileBusy();
    }
    return true;
}

int extractIncludedFiles(HMODULE module, int count, const char* names, char* destination, bool hold) {
    destination[0] = '\0';
    // A restart's child takes the files of its own extraction.
    releaseHeldFiles();
    if (count == 0) return 0;
    char folder[TEXT_CAP], probe[TEXT_CAP];
    tempPath(probe, sizeof probe);
    // tvoXXXX.tmp_dir\ in the temporary folder, and the name.
    if (!namesArePlain(names, count, strlen(probe) + 16)) return ERR_NOT_CREATED;
    if (!makeExtractionFolder(folder)) return ERR_NO_FOLDER;
    char name[TEXT_CAP], path[TEXT_CAP], resource[32];
    const char* at = names;
    for (int i = 0; i < count && nextListEntry(&at, name, sizeof name); ++i) {
        copyText(path, sizeof path, folder);
        appendText(path, sizeof path, "\\");
        appendText(path, sizeof path, name);
        copyText(resource, sizeof resource, "ID_FILE_");
        appendUnsigned(resource, sizeof resource, (unsigned long)i);
        addTempFile(path);
        int code = writeResourceFile(module, path, resource, "APPFILES");
        if (!code && hold && !holdAsWritten(module, path, resource)) code = ERR_NOT_WRITTEN;
        // The folder is recorded after its files, also on a failure, so that
        // the clean-up deletes the files first and the folder does not stay.
        if (code) {
            addTempDir(folder);
            return code;
        }
    }
    addTempDir(folder);
    copyText(destination, TEXT_CAP, folder);
    return 0;
}
