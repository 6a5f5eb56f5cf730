#include "app/class_data.h"

#include <windows.h>

#include <cstring>

#include "app/class_data_text.h"
#include "config/config.h"
#include "config/data_folder.h"
#include "files/bytes_text.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "jvm/candidate.h"
#include "jvm/search_text.h"

enum { ARCHIVES_KEPT = 3, RELEASE_CAP = 65536 };

static uint64_t hashText(uint64_t hash, const char* text) { return fnv1a(hash, text, strlen(text) + 1); }

// A file by its path, size and time, never by its bytes: a start reads no
// jar to name its archive.
static uint64_t hashFileFacts(uint64_t hash, const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA facts;
    ZeroMemory(&facts, sizeof facts);
    WidePath wide(path);
    if (wide.ok) GetFileAttributesExW(wide.text, GetFileExInfoStandard, &facts);
    hash = hashText(hash, path);
    hash = fnv1a(hash, &facts.nFileSizeLow, sizeof facts.nFileSizeLow);
    hash = fnv1a(hash, &facts.nFileSizeHigh, sizeof facts.nFileSizeHigh);
    return fnv1a(hash, &facts.ftLastWriteTime, sizeof facts.ftLastWriteTime);
}

static uint64_t hashFileBytes(uint64_t hash, const char* path) {
    HANDLE file = openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return hash;
    static char bytes[RELEASE_CAP];
    DWORD got = 0;
    if (ReadFile(file, bytes, sizeof bytes, &got, nullptr)) hash = fnv1a(hash, bytes, got);
    CloseHandle(file);
    return hash;
}

// What the archive depends on: the Java (home, version, release file), this
// launcher, the class path entry by entry, and the options that change it.
static uint64_t archiveHash(const StringList* options, const char* javaHome) {
    char path[TEXT_CAP];
    uint64_t hash = hashText(hashText(FNV_START, javaHome), acceptedJavaVersion());
    copyText(path, sizeof path, javaHome);
    if (appendText(path, sizeof path, "release")) hash = hashFileBytes(hash, path);
    if (ownProgramPath(path, sizeof path)) hash = hashFileFacts(hash, path);
    for (size_t i = 0; i < options->count; ++i) {
        const char* option = options->items[i];
        if (changesArchive(option)) hash = hashText(hash, option);
        if (strncmp(option, "-Djava.class.path=", 18) != 0) continue;
        for (const char* at = option + 18; *at;) {
            const char* end = strchr(at, ';');
            size_t n = end ? (size_t)(end - at) : strlen(at);
            if (copyChars(path, sizeof path, at, n)) hash = hashFileFacts(hash, path);
            at += n + (end ? 1 : 0);
        }
    }
    return hash;
}

struct Kept {
    char name[24];
    FILETIME used;
};

// The newest first.
static void keepIfNewer(Kept* kept, const FoundFile& found) {
    for (int i = 0; i < ARCHIVES_KEPT - 1; ++i) {
        if (kept[i].name[0] && CompareFileTime(&found.lastWrite, &kept[i].used) <= 0) continue;
        memmove(&kept[i + 1], &kept[i], sizeof *kept * (ARCHIVES_KEPT - 2 - i));
        copyText(kept[i].name, sizeof kept[i].name, found.name);
        kept[i].used = found.lastWrite;
        return;
    }
}

static bool isKept(const Kept* kept, const char* name) {
    for (int i = 0; i < ARCHIVES_KEPT - 1; ++i)
        if (strcmp(kept[i].name, name) == 0) return true;
    return false;
}

// The three last used stay, this start's always; a file another process
// maps cannot be deleted and stays too. Only the launcher's own names go.
static void removeOldArchives(const char* folder, const char* current) {
    char pattern[TEXT_CAP], path[TEXT_CAP];
    copyText(pattern, sizeof pattern, folder);
    appendText(pattern, sizeof pattern, "*");
    Kept kept[ARCHIVES_KEPT - 1] = {};
    static FoundFile found;
    for (int pass = 0; pass < 2; ++pass) {
        HANDLE search = findFirstFile(pattern, &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = findNextFile(search, &found)) {
            if (!isArchiveName(found.name) || strcmp(found.name, current) == 0) continue;
            if (pass == 0) {
                keepIfNewer(kept, found);
                continue;
            }
            copyText(path, sizeof path, folder);
            if (!isKept(kept, found.name) && appendText(path, sizeof path, found.name) && deleteFile(path))
                trace({"child: an archive not used lately removed: ", found.name});
        }
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }
}

// Its time says when it was last used.
static bool touchArchive(const char* path) {
    HANDLE file = openFile(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    SetFileTime(file, nullptr, nullptr, &now);
    CloseHandle(file);
    return true;
}

static bool javaExeBeside(const char* javaHome) {
    char path[TEXT_CAP];
    copyText(path, sizeof path, javaHome);
    return appendText(path, sizeof path, "bin\\java.exe") && fileAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

size_t addClassDataSharing(StringList* options, const char* javaPath, unsigned javaFeature) {
    if (!configInt(CFG_CLASS_DATA_SHARING)) return 0;
    char home[TEXT_CAP], folder[TEXT_CAP], name[32], path[TEXT_CAP];
    javaHomeOf(home, sizeof home, javaPath);
    SharingKind kind = sharingKind(javaFeature, sizeof(void*) == 8, javaExeBeside(home));
    if (kind == SHARING_NONE) return 0;
    for (size_t i = 0; i < options->count; ++i)
        if (namesSharing(options->items[i])) {
            trace({"child: class data sharing left to the options: ", options->items[i]});
            return 0;
        }
    if (!userDataFolder("LOCALAPPDATA", folder, sizeof folder) || !appendText(folder, sizeof folder, "cds\\") ||
        (!createDirectory(folder) && GetLastError() != ERROR_ALREADY_EXISTS)) {
        trace({"child: no folder for class data sharing: ", folder});
        return 0;
    }
    archiveName(archiveHash(options, home), kind, name, sizeof name);
    copyText(path, sizeof path, folder);
    if (!appendText(path, sizeof path, name)) return 0;
    bool exists = touchArchive(path);
    size_t before = options->count;
    if (!addSharingOptions(kind, path, exists, options)) return options->count - before;
    trace({"child: class data sharing with ", exists ? "the archive " : "a new archive ", path});
    removeOldArchives(folder, name);
    return options->count - before;
}
