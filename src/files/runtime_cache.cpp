#include "files/runtime_cache.h"

#include <cstdlib>
#include <cstring>

#include "files/extract.h"
#include "files/paths.h"
#include "files/runtime_text.h"
#include "files/sha256_text.h"
#include "files/string_list.h"
#include "files/text.h"
#include "files/wide.h"

enum { ERR_NO_FOLDER = 7, ERR_NO_RESOURCE = 8, ERR_NOT_CREATED = 11, ERR_NOT_WRITTEN = 12, ERR_BAD_INDEX = 14 };
// Written last: a folder without it, or with another text, is no whole copy.
static const char MARKER[] = ".tarvo-complete";
static const ULONGLONG UNFINISHED_AGE = 3600ULL * 10000000ULL;

struct RuntimeIndex {
    const char* text;
    size_t length;
};

static bool copyIndex(HMODULE module, const char* type, const char* prefix, RuntimeIndex* index) {
    char name[32];
    copyText(name, sizeof name, prefix);
    appendText(name, sizeof name, "INDEX");
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    index->text = loaded ? (const char*)LockResource(loaded) : nullptr;
    index->length = index->text ? SizeofResource(module, found) : 0;
    return index->text != nullptr;
}

static bool joinPath(char* dst, const char* folder, const char* name) {
    copyText(dst, TEXT_CAP, folder);
    return appendTexts(dst, TEXT_CAP, {"\\", name});
}

// Every listed file's path, size and bytes, as the builder hashed them.
static bool contentHashIs(const char* folder, const RuntimeIndex& index, const char* hash) {
    static char buffer[1 << 16];
    Sha256 sum;
    sha256Begin(&sum);
    const char* at = index.text;
    char name[TEXT_CAP], path[TEXT_CAP], size[24];
    unsigned long long listed = 0;
    while (nextRuntimeEntry(&at, index.text + index.length, &listed, name, sizeof name) == ENTRY_OK) {
        size[0] = '\0';
        appendUnsigned(size, sizeof size, listed);
        sha256Add(&sum, name, strlen(name) + 1);
        sha256Add(&sum, size, strlen(size) + 1);
        HANDLE file = joinPath(path, folder, name) ? openFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)
                                                   : INVALID_HANDLE_VALUE;
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) sha256Add(&sum, buffer, got);
        CloseHandle(file);
    }
    char hex[65];
    sha256End(&sum, hex);
    return strcmp(hex, hash) == 0;
}

// Whole: the marker holds the index, each file has its size, and, where
// `hash` is given, the bytes are the builder's.
// One folder's files as "<name>|<size>" ("|" is in no file name), from one
// enumeration: a call for each file costs a start a round trip each.
struct FolderListing {
    char folder[TEXT_CAP];
    StringList files;
};

static bool hasFileOfSize(FolderListing* listing, const char* path, unsigned long long size) {
    const char* slash = strrchr(path, '\\');
    size_t folderLength = (size_t)(slash - path);
    char entry[TEXT_CAP];
    if (strlen(listing->folder) != folderLength || strncmp(listing->folder, path, folderLength) != 0) {
        freeStringList(&listing->files);
        copyChars(listing->folder, TEXT_CAP, path, folderLength);
        copyText(entry, sizeof entry, listing->folder);
        appendText(entry, sizeof entry, "\\*");
        FoundFile found;
        HANDLE search = findFirstFile(entry, &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = findNextFile(search, &found)) {
            if (found.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            copyText(entry, sizeof entry, found.name);
            if (appendText(entry, sizeof entry, "|") && appendUnsigned(entry, sizeof entry, found.size))
                addString(&listing->files, entry);
        }
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }
    copyText(entry, sizeof entry, slash + 1);
    if (!appendText(entry, sizeof entry, "|") || !appendUnsigned(entry, sizeof entry, size)) return false;
    for (size_t i = 0; i < listing->files.count; ++i)
        if (strcmp(listing->files.items[i], entry) == 0) return true;
    return false;
}

static bool isWholeRuntime(const char* folder, const RuntimeIndex& index, const char* hash) {
    char path[TEXT_CAP];
    size_t length = 0;
    char* marker = joinPath(path, folder, MARKER) ? readFileAlloc(path, index.length + 1, &length) : nullptr;
    bool whole = marker && length == index.length && memcmp(marker, index.text, length) == 0;
    free(marker);
    const char* at = index.text;
    char name[TEXT_CAP];
    unsigned long long listed = 0;
    static FolderListing listing;
    listing.folder[0] = '\0';
    for (RuntimeEntry e; whole && (e = nextRuntimeEntry(&at, index.text + index.length, &listed, name, sizeof name)) !=
                                      ENTRY_END;)
        whole = e == ENTRY_OK && joinPath(path, folder, name) && hasFileOfSize(&listing, path, listed);
    freeStringList(&listing.files);
    return whole && (!hash || contentHashIs(folder, index, hash));
}

// The folders between `folder` and the file `path` inside it, where they
// are not those of the file before: the index lists a folder's files
// together, and each call to the file system counts in a start.
static void makeParents(char* path, size_t folderLength, char* previous) {
    const char* last = strrchr(path, '\\');
    size_t length = (size_t)(last - path);
    if (length == strlen(previous) && strncmp(path, previous, length) == 0) return;
    for (char* c = path + folderLength + 1; *c; ++c) {
        if (*c != '\\') continue;
        *c = '\0';
        // Only where it is not the start of the folder before.
        size_t at = (size_t)(c - path);
        if (!(strncmp(previous, path, at) == 0 && (previous[at] == '\\' || previous[at] == '\0')))
            createDirectory(path);
        *c = '\\';
    }
    copyChars(previous, TEXT_CAP, path, length);
}

static int writeCopy(HMODULE module, const char* type, const char* prefix, const RuntimeIndex& index,
                     const char* folder, volatile LONG* permille) {
    const char* end = index.text + index.length;
    char name[TEXT_CAP], path[TEXT_CAP], resource[32];
    unsigned long long size = 0, total = 0, done = 0;
    RuntimeEntry e;
    for (const char* at = index.text; (e = nextRuntimeEntry(&at, end, &size, name, sizeof name)) == ENTRY_OK;)
        total += size;
    if (e == ENTRY_BAD) return ERR_BAD_INDEX;
    if (!createDirectory(folder)) return ERR_NO_FOLDER;
    const char* at = index.text;
    char previous[TEXT_CAP];
    copyText(previous, sizeof previous, folder);
    for (unsigned long i = 0; nextRuntimeEntry(&at, end, &size, name, sizeof name) == ENTRY_OK; ++i) {
        if (!joinPath(path, folder, name)) return ERR_NOT_CREATED;
        makeParents(path, strlen(folder), previous);
        copyText(resource, sizeof resource, prefix);
        appendUnsigned(resource, sizeof resource, i);
        int code = writeResourceFile(module, path, resource, type);
        if (code) return code;
        done += size;
        if (permille && total) InterlockedExchange(permille, (LONG)(done * 1000 / total));
    }
    HANDLE marker = joinPath(path, folder, MARKER) ? openFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS)
                                                   : INVALID_HANDLE_VALUE;
    if (marker == INVALID_HANDLE_VALUE) return ERR_NOT_CREATED;
    DWORD written = 0;
    bool ok = WriteFile(marker, index.text, (DWORD)index.length, &written, nullptr) && written == index.length;
    CloseHandle(marker);
    return ok ? 0 : ERR_NOT_WRITTEN;
}

static bool siblingName(char* dst, const char* folder, const char* kind) {
    copyText(dst, TEXT_CAP, folder);
    return appendText(dst, TEXT_CAP, kind) && appendUnsigned(dst, TEXT_CAP, GetCurrentProcessId());
}

int installCopy(HMODULE module, const char* type, const char* prefix, const char* root, const char* hash, char* home,
                volatile LONG* permille, bool checkBytes) {
    const char* bytesHash = checkBytes ? hash : nullptr;
    RuntimeIndex index;
    char name[20], partial[TEXT_CAP], aside[TEXT_CAP];
    if (!copyIndex(module, type, prefix, &index)) return ERR_NO_RESOURCE;
    if (!runtimeFolderName(hash, name, sizeof name)) return ERR_BAD_INDEX;
    if (!joinPath(home, root, name) || !siblingName(partial, home, ".partial-") || !siblingName(aside, home, ".old-"))
        return ERR_NOT_CREATED;
    if (isWholeRuntime(home, index, bytesHash)) return 0;
    createDirectory(root);
    // One left by an ended process that had this process's number.
    removeTree(partial);
    int code = writeCopy(module, type, prefix, index, partial, permille);
    if (code) {
        removeTree(partial);
        return code;
    }
    if (renamePath(partial, home)) return 0;
    // Another start was first: its copy serves, if it is whole.
    if (isWholeRuntime(home, index, bytesHash)) {
        removeTree(partial);
        return 0;
    }
    // A damaged copy (a file gone or of another size) is moved aside and
    // replaced; where it cannot be, this start runs from its own copy.
    if (renamePath(home, aside) && renamePath(partial, home)) {
        removeTree(aside);
        return 0;
    }
    copyText(home, TEXT_CAP, partial);
    return 0;
}

static bool olderThan(const FILETIME& time, ULONGLONG age) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG then = (ULONGLONG)time.dwHighDateTime << 32 | time.dwLowDateTime;
    ULONGLONG at = (ULONGLONG)now.dwHighDateTime << 32 | now.dwLowDateTime;
    return at > then && at - then >= age;
}

void removeOtherCopies(const char* root, const char* home) {
    char pattern[TEXT_CAP], path[TEXT_CAP], aside[TEXT_CAP];
    if (!joinPath(pattern, root, "*")) return;
    FoundFile found;
    HANDLE search = findFirstFile(pattern, &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = findNextFile(search, &found)) {
        if (!(found.attributes & FILE_ATTRIBUTE_DIRECTORY) || (found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            found.name[0] == '.' || !joinPath(path, root, found.name) || sameFileName(path, home))
            continue;
        if (strstr(found.name, ".partial-") && !olderThan(found.lastWrite, UNFINISHED_AGE)) continue;
        // A folder that a running application holds cannot be renamed: it
        // stays. One that can is no one's, and goes whole.
        if (siblingName(aside, path, ".gone-") && renamePath(path, aside)) removeTree(aside);
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}
