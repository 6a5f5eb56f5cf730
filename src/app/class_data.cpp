#include "app/class_data.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "app/class_data_text.h"
#include "app/vm_text.h"
#include "config/config.h"
#include "config/data_folder.h"
#include "files/bytes_text.h"
#include "files/paths.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "jvm/candidate.h"
#include "jvm/search_text.h"

enum { ARCHIVES_KEPT = 3, RELEASE_CAP = 65536 };

static uint64_t hashText(uint64_t hash, const char* text) { return fnv1a(hash, text, strlen(text) + 1); }

// A file by its path, size and time, never by its bytes: a start reads no
// jar to name its archive. The path is as the VM has it: in the ANSI code
// page where `ansi`. False for a folder, which no archive may be made from.
static bool hashFileFacts(uint64_t* hashInOut, const char* path, bool ansi) {
    WIN32_FILE_ATTRIBUTE_DATA facts;
    ZeroMemory(&facts, sizeof facts);
    wchar_t wide[TEXT_CAP];
    bool named = ansi ? MultiByteToWideChar(CP_ACP, 0, path, -1, wide, TEXT_CAP) > 0 : toWide(path, wide, TEXT_CAP);
    if (named) GetFileAttributesExW(wide, GetFileExInfoStandard, &facts);
    if (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    uint64_t hash = hashText(*hashInOut, path);
    hash = fnv1a(hash, &facts.nFileSizeLow, sizeof facts.nFileSizeLow);
    hash = fnv1a(hash, &facts.nFileSizeHigh, sizeof facts.nFileSizeHigh);
    *hashInOut = fnv1a(hash, &facts.ftLastWriteTime, sizeof facts.ftLastWriteTime);
    return true;
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
// launcher, the class path entry by entry, and the options. False where no
// archive can serve: a folder on the class path, or a file extracted anew
// at every start, whose path changes each time.
static bool archiveHash(const StringList* options, const char* javaHome, const char* extractDir, uint64_t* out) {
    char path[TEXT_CAP], extracted[TEXT_CAP] = "";
    uint64_t hash = hashText(hashText(FNV_START, javaHome), acceptedJavaVersion());
    copyText(path, sizeof path, javaHome);
    if (appendText(path, sizeof path, "release")) hash = hashFileBytes(hash, path);
    if (ownProgramPath(path, sizeof path)) hashFileFacts(&hash, path, false);
    // The class path was made for the VM, in its code page: the extraction
    // folder is compared in the same.
    if (*extractDir && !configInt(CFG_INCLUDE_CACHE))
        WideCharToMultiByte(CP_ACP, 0, WidePath(extractDir).text, -1, extracted, sizeof extracted, nullptr, nullptr);
    for (size_t i = 0; i < options->count; ++i) {
        const char* option = options->items[i];
        if (changesArchive(option)) hash = hashText(hash, option);
        if (strncmp(option, "-Djava.class.path=", 18) != 0) continue;
        for (const char* at = option + 18; *at;) {
            const char* end = strchr(at, ';');
            size_t n = end ? (size_t)(end - at) : strlen(at);
            if (*extracted && _strnicmp(at, extracted, strlen(extracted)) == 0) return false;
            if (copyChars(path, sizeof path, at, n) && !hashFileFacts(&hash, path, true)) return false;
            at += n + (end ? 1 : 0);
        }
    }
    *out = hash;
    return true;
}

// A start that uses an archive holds "<name>.lock" open, unshared, until it
// ends; the system deletes the file then.
static void lockName(const char* archive, char* dst, size_t cap) {
    copyText(dst, cap, archive);
    appendText(dst, cap, ".lock");
}

static bool inUse(const char* archive) {
    char lock[TEXT_CAP];
    lockName(archive, lock, sizeof lock);
    return fileAttributes(lock) != INVALID_FILE_ATTRIBUTES;
}

// Held for the process's life, never inherited: one writer and its readers
// of an archive are never two starts at once.
static bool holdArchive(const char* archive) {
    char lock[TEXT_CAP];
    lockName(archive, lock, sizeof lock);
    HANDLE held = openFile(lock, GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE);
    return held != INVALID_HANDLE_VALUE;
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
            if (!isKept(kept, found.name) && appendText(path, sizeof path, found.name) && !inUse(path)) {
                // The VM writes its archives read-only.
                WidePath wide(path);
                SetFileAttributesW(wide.text, FILE_ATTRIBUTE_NORMAL);
                if (deleteFile(path)) trace({"child: an archive not used lately removed: ", found.name});
            }
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

static bool fileIn(const char* folder, const char* name) {
    char path[TEXT_CAP];
    copyText(path, sizeof path, folder);
    return appendText(path, sizeof path, name) && fileAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

// Its folder's short name where the VM's code page cannot express the
// path; false where neither can.
static bool pathForVm(const char* folder, const char* name, char* path, size_t cap) {
    char* text = nullptr;
    char shorter[TEXT_CAP];
    copyText(path, cap, folder);
    if (appendText(path, cap, name) && (text = vmText(path))) {
        free(text);
        return true;
    }
    if (!shortPath(folder, shorter, sizeof shorter)) return false;
    copyText(path, cap, shorter);
    if (!appendText(path, cap, name) || !(text = vmText(path))) return false;
    free(text);
    return true;
}

// Options the VM reads itself, beside the launcher's layers.
static bool variablesNameSharing() {
    for (const char* name : {"JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS"}) {
        char* value = environmentValue(name);
        bool names = value && (namesSharing(value) || namesAgent(value));
        free(value);
        if (names) return true;
    }
    return false;
}

// Java 13 to 18 archive no class of a jar whose URL escapes a character of
// its path (a blank, as in "Program Files"): the VM matches a class's URL
// against the class path without undoing the escapes, and the application's
// loader names each jar by its long name. The JDK's own classes that the
// application loads are still archived; support staff learn why the rest is not.
static void traceUnarchivedEntries(const StringList* options) {
    if (!tracing() || options->count < 2 || strncmp(options->items[1], "-Djava.class.path=", 18) != 0) return;
    if (escapedInUrl(options->items[1] + 18))
        trace({"child: Java 13 to 18 archive no class of a class path entry whose URL escapes a character (a blank)"});
}

// A dynamic archive is made on top of the Java's own (beside a 64-bit
// Java's server VM): a runtime cut down without it makes none, and says so
// at every exit.
static SharingKind kindFor(const char* javaPath, const char* home, unsigned javaFeature) {
    char bin[TEXT_CAP];
    jvmDirectoryOf(bin, sizeof bin, javaPath);
    SharingKind kind = sharingKind(javaFeature, sizeof(void*) == 8, fileIn(home, "bin\\java.exe"));
    if (kind != SHARING_NONE && kind != SHARING_AOT && !fileIn(bin, "server\\classes.jsa")) {
        trace({"child: no class data sharing: the Java has no archive of its own"});
        return SHARING_NONE;
    }
    return kind;
}

size_t addClassDataSharing(StringList* options, const char* javaPath, unsigned javaFeature, const char* extractDir) {
    if (!configInt(CFG_CLASS_DATA_SHARING)) return 0;
    char home[TEXT_CAP], folder[TEXT_CAP], name[32], path[TEXT_CAP];
    javaHomeOf(home, sizeof home, javaPath);
    SharingKind kind = kindFor(javaPath, home, javaFeature);
    if (kind == SHARING_NONE) return 0;
    for (size_t i = 0; i < options->count; ++i) {
        if (namesSharing(options->items[i])) {
            trace({"child: class data sharing left to the options: ", options->items[i]});
            return 0;
        }
        if (namesAgent(options->items[i])) {
            trace({"child: no class data sharing beside the agent of ", options->items[i]});
            return 0;
        }
    }
    // The VM checks an archive's header, not its bytes: one in the user's
    // folder would let any process of the user decide what an elevated VM
    // maps as code.
    if (runsElevated()) {
        trace({"child: no class data sharing of the launcher's: elevated, and the archive would be in the user's folder"});
        return 0;
    }
    if (variablesNameSharing()) {
        trace({"child: class data sharing left to JAVA_TOOL_OPTIONS or _JAVA_OPTIONS, or none beside their agent"});
        return 0;
    }
    uint64_t hash = 0;
    if (!archiveHash(options, home, extractDir, &hash)) {
        trace({"child: no class data sharing: a folder, or files extracted anew, on the class path"});
        return 0;
    }
    if (!userDataFolder("LOCALAPPDATA", folder, sizeof folder) || !appendText(folder, sizeof folder, "cds\\") ||
        (!createDirectory(folder) && GetLastError() != ERROR_ALREADY_EXISTS)) {
        trace({"child: no folder for class data sharing: ", folder});
        return 0;
    }
    if (kind == SHARING_AT_EXIT) traceUnarchivedEntries(options);
    archiveName(hash, kind, name, sizeof name);
    if (!pathForVm(folder, name, path, sizeof path)) {
        trace({"child: no class data sharing: the VM cannot be given the folder ", folder});
        return 0;
    }
    if (!holdArchive(path)) {
        trace({"child: no class data sharing: another start uses the archive ", path});
        return 0;
    }
    bool exists = touchArchive(path);
    size_t before = options->count;
    if (!addSharingOptions(kind, path, exists, options)) return options->count - before;
    trace({"child: class data sharing with ", exists ? "the archive " : "a new archive ", path});
    removeOldArchives(folder, name);
    return options->count - before;
}
