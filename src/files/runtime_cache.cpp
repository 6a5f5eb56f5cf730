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
    // The SHA-256 of each piece of 4 MB of each file (an empty file is one
    // piece), in the index's order, 64 hex digits each; null where the
    // builder wrote none.
    const char* sums;
    size_t sumsLength;
};

static const char* resourceText(HMODULE module, const char* type, const char* prefix, const char* kind, size_t* length) {
    char name[32];
    copyText(name, sizeof name, prefix);
    appendText(name, sizeof name, kind);
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* text = loaded ? (const char*)LockResource(loaded) : nullptr;
    *length = text ? SizeofResource(module, found) : 0;
    return text;
}

static bool copyIndex(HMODULE module, const char* type, const char* prefix, RuntimeIndex* index) {
    index->text = resourceText(module, type, prefix, "INDEX", &index->length);
    index->sums = resourceText(module, type, prefix, "SUMS", &index->sumsLength);
    return index->text != nullptr;
}

static bool joinPath(char* dst, const char* folder, const char* name) {
    copyText(dst, TEXT_CAP, folder);
    return appendTexts(dst, TEXT_CAP, {"\\", name});
}

// The files an elevated start checked, held until the process ends and
// inherited by the child that runs from them: no process of the user's can
// change a byte of them meanwhile. One set for each kind of copy, so that
// one copy's failed check never lets the other's go.
struct HeldSet {
    HANDLE* items;
    size_t count, cap;
};
static HeldSet heldSets[2];

static bool hold(HeldSet* set, HANDLE file) {
    if (set->count == set->cap) {
        size_t cap = set->cap ? set->cap * 2 : 256;
        HANDLE* grown = (HANDLE*)realloc(set->items, cap * sizeof(HANDLE));
        if (!grown) return false;
        set->items = grown;
        set->cap = cap;
    }
    set->items[set->count++] = file;
    return true;
}

// Back to `mark`: a copy that failed its check is let go, so that it can be
// replaced; a new check of the same copy starts from nothing held.
static void releaseHeld(HeldSet* set, size_t mark = 0) {
    while (set->count > mark) CloseHandle(set->items[--set->count]);
}

static HANDLE openHeld(const char* path) {
    WidePath wide(path);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return wide.ok ? CreateFileW(wide.text, GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)
                   : INVALID_HANDLE_VALUE;
}

// Every listed file's path, size and bytes, as the builder hashed them,
// each read through a handle that shares no writing and stays open, and
// exactly as long as the index says.
static bool contentHashIs(const char* folder, const RuntimeIndex& index, const char* hash, HeldSet* set) {
    static char buffer[1 << 20];
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
        HANDLE file = joinPath(path, folder, name) ? openHeld(path) : INVALID_HANDLE_VALUE;
        if (file == INVALID_HANDLE_VALUE) return false;
        if (!hold(set, file)) {
            CloseHandle(file);
            return false;
        }
        LARGE_INTEGER length;
        if (!GetFileSizeEx(file, &length) || (unsigned long long)length.QuadPart != listed) return false;
        DWORD got = 0;
        for (unsigned long long left = listed; left > 0; left -= got) {
            DWORD ask = left < sizeof buffer ? (DWORD)left : (DWORD)sizeof buffer;
            if (!ReadFile(file, buffer, ask, &got, nullptr) || got == 0) return false;
            sha256Add(&sum, buffer, got);
        }
    }
    char hex[65];
    sha256End(&sum, hex);
    return strcmp(hex, hash) == 0;
}

// The files of a copy, checked piece by piece against the digests the
// builder wrote, by two threads at once: the opening and reading of one
// piece overlaps the hashing of another, and a runtime's one large file is
// shared out like the rest.
enum { SUM_WORKERS = 2, SUM_READ = 1 << 20, SUM_PIECE = 4 << 20 };
struct SumPiece {
    size_t file;
    unsigned long long offset, length;
};
struct SumCheck {
    const char* folder;
    const char* sums;
    StringList names;
    unsigned long long* sizes;
    HANDLE* files[SUM_WORKERS];  // each worker's own handles
    SumPiece* pieces;
    size_t pieceCount;
    volatile LONG next;
    volatile LONG failed;
};
struct SumWorker {
    SumCheck* check;
    int index;
    char* buffer;
};

// The worker's own held handle of the file: reads at two places of one
// handle would wait for each other.
static HANDLE heldFile(SumCheck* check, int worker, size_t i) {
    HANDLE* file = &check->files[worker][i];
    if (*file != INVALID_HANDLE_VALUE) return *file;
    char path[TEXT_CAP];
    *file = joinPath(path, check->folder, check->names.items[i]) ? openHeld(path) : INVALID_HANDLE_VALUE;
    LARGE_INTEGER length;
    if (*file == INVALID_HANDLE_VALUE || !GetFileSizeEx(*file, &length) ||
        (unsigned long long)length.QuadPart != check->sizes[i])
        return INVALID_HANDLE_VALUE;
    return *file;
}

static bool pieceHasSum(SumCheck* check, int worker, size_t n, char* buffer) {
    const SumPiece& piece = check->pieces[n];
    HANDLE file = heldFile(check, worker, piece.file);
    if (file == INVALID_HANDLE_VALUE) return false;
    Sha256 sum;
    sha256Begin(&sum);
    char hex[65];
    DWORD got = 0;
    unsigned long long at = piece.offset;
    for (unsigned long long left = piece.length; left > 0; left -= got, at += got) {
        DWORD ask = left < SUM_READ ? (DWORD)left : (DWORD)SUM_READ;
        OVERLAPPED from = {};
        from.Offset = (DWORD)at;
        from.OffsetHigh = (DWORD)(at >> 32);
        if (check->failed || !ReadFile(file, buffer, ask, &got, &from) || got == 0) return false;
        sha256Add(&sum, buffer, got);
    }
    sha256End(&sum, hex);
    return memcmp(hex, check->sums + 64 * n, 64) == 0;
}

static DWORD WINAPI checkSums(void* raw) {
    SumWorker* worker = (SumWorker*)raw;
    SumCheck* check = worker->check;
    for (LONG n; !check->failed && (n = InterlockedIncrement(&check->next) - 1) < (LONG)check->pieceCount;)
        if (!pieceHasSum(check, worker->index, (size_t)n, worker->buffer)) InterlockedExchange(&check->failed, 1);
    return 0;
}

// The index's files and their pieces, one digest each: false where the
// digests are not one for each piece.
static bool planPieces(const RuntimeIndex& index, SumCheck* check) {
    size_t cap = index.sumsLength / 64;
    if (index.sumsLength != 64 * cap || cap == 0) return false;
    check->pieces = (SumPiece*)calloc(cap, sizeof *check->pieces);
    check->sizes = (unsigned long long*)calloc(cap, sizeof *check->sizes);
    if (!check->pieces || !check->sizes) return false;
    const char* at = index.text;
    char name[TEXT_CAP];
    unsigned long long size = 0;
    while (nextRuntimeEntry(&at, index.text + index.length, &size, name, sizeof name) == ENTRY_OK) {
        size_t file = check->names.count;
        if (file == cap || !addString(&check->names, name)) return false;
        check->sizes[file] = size;
        // An empty file is one piece of nothing.
        unsigned long long offset = 0;
        do {
            if (check->pieceCount == cap) return false;
            unsigned long long piece = SUM_PIECE, length = size - offset < piece ? size - offset : piece;
            check->pieces[check->pieceCount++] = {file, offset, length};
            offset += length;
        } while (offset < size);
    }
    if (check->pieceCount != cap) return false;
    for (HANDLE*& files : check->files) {
        files = (HANDLE*)malloc(check->names.count * sizeof(HANDLE));
        for (size_t i = 0; files && i < check->names.count; ++i) files[i] = INVALID_HANDLE_VALUE;
        if (!files) return false;
    }
    return true;
}

static bool sumsMatch(const char* folder, const RuntimeIndex& index, HeldSet* set) {
    static char buffers[SUM_WORKERS][SUM_READ];
    SumCheck check = {folder, index.sums, {nullptr, 0, 0}, nullptr, {nullptr, nullptr}, nullptr, 0, 0, 0};
    bool whole = planPieces(index, &check);
    if (whole) {
        SumWorker workers[SUM_WORKERS] = {{&check, 0, buffers[0]}, {&check, 1, buffers[1]}};
        HANDLE second = CreateThread(nullptr, 0, checkSums, &workers[1], 0, nullptr);
        checkSums(&workers[0]);
        if (second) {
            WaitForSingleObject(second, INFINITE);
            CloseHandle(second);
        }
        whole = !check.failed;
    }
    // All held, or all let go where one piece failed.
    for (HANDLE* files : check.files) {
        for (size_t i = 0; files && i < check.names.count; ++i) {
            if (files[i] == INVALID_HANDLE_VALUE) continue;
            if (!whole || !hold(set, files[i])) {
                CloseHandle(files[i]);
                whole = false;
            }
        }
        free(files);
    }
    free(check.sizes);
    free(check.pieces);
    freeStringList(&check.names);
    return whole;
}

// Exactly the index's files and the folders that hold them, and no link: a
// DLL set beside the VM's would be loaded with it, a jar in lib\ext or an
// archive in bin\server would be read as the Java's own.
static bool onlyListed(const char* folder, const char* relative, const StringList* names) {
    char pattern[TEXT_CAP], path[TEXT_CAP], name[TEXT_CAP];
    if (!joinPath(pattern, folder, "*")) return false;
    FoundFile found;
    HANDLE search = findFirstFile(pattern, &found);
    bool exact = search != INVALID_HANDLE_VALUE;
    for (bool more = exact; exact && more; more = findNextFile(search, &found)) {
        if (!strcmp(found.name, ".") || !strcmp(found.name, "..")) continue;
        bool isFolder = (found.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        copyText(name, sizeof name, relative);
        exact = !(found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                appendTexts(name, sizeof name, {*relative ? "\\" : "", found.name}) &&
                ((!*relative && !strcmp(found.name, MARKER)) || indexLists(names, name, isFolder)) &&
                (!isFolder || (joinPath(path, folder, found.name) && onlyListed(path, name, names)));
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return exact;
}

static bool exactTree(const char* folder, const RuntimeIndex& index) {
    StringList names = {nullptr, 0, 0};
    bool exact = indexNames(index.text, index.length, &names) && onlyListed(folder, "", &names);
    freeStringList(&names);
    return exact;
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

static bool isWholeRuntime(const char* folder, const RuntimeIndex& index, const char* hash, HeldSet* set) {
    char path[TEXT_CAP];
    if (isLink(folder)) return false;
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
    if (!whole || !hash) return whole;
    size_t mark = set->count;
    bool bytes = index.sums ? sumsMatch(folder, index, set) : contentHashIs(folder, index, hash, set);
    if (bytes && exactTree(folder, index)) return true;
    releaseHeld(set, mark);
    return false;
}

// A folder the copy is written into, held without delete sharing until the
// copy is done, so that nothing can rename it and put a link in its place;
// false where it is a link already.
static bool holdFolder(HeldSet* folders, const char* path) {
    HANDLE folder = holdFolderOpen(path);
    if (folder == INVALID_HANDLE_VALUE) return false;
    if (!hold(folders, folder)) {
        CloseHandle(folder);
        return false;
    }
    return !isLink(path);
}

// The folders between `folder` and the file `path` inside it, where they
// are not those of the file before: the index lists a folder's files
// together, and each call to the file system counts in a start. Each is
// new, made here: one that is there already was put there by another.
static bool makeParents(char* path, size_t folderLength, char* previous, HeldSet* folders) {
    const char* last = strrchr(path, '\\');
    size_t length = (size_t)(last - path);
    if (length == strlen(previous) && strncmp(path, previous, length) == 0) return true;
    bool made = true;
    for (char* c = path + folderLength + 1; *c && made; ++c) {
        if (*c != '\\') continue;
        *c = '\0';
        // Only where it is not the start of the folder before.
        size_t at = (size_t)(c - path);
        if (!(strncmp(previous, path, at) == 0 && (previous[at] == '\\' || previous[at] == '\0')))
            made = createDirectory(path) && holdFolder(folders, path);
        *c = '\\';
    }
    copyChars(previous, TEXT_CAP, path, length);
    return made;
}

// Every file on the disk before the marker: flushed in one pass at the end,
// not one by one as they are written, since the first flush of a pass
// carries most of the others' data with it.
static bool flushAll(HeldSet* files) {
    bool ok = true;
    for (size_t i = 0; i < files->count; ++i) ok = FlushFileBuffers(files->items[i]) && ok;
    releaseHeld(files);
    return ok;
}

static int writeFiles(HMODULE module, const char* type, const char* prefix, const RuntimeIndex& index,
                      const char* folder, volatile LONG* permille, HeldSet* folders, HeldSet* files) {
    const char* end = index.text + index.length;
    char name[TEXT_CAP], path[TEXT_CAP], resource[32];
    unsigned long long size = 0, total = 0, done = 0;
    RuntimeEntry e;
    for (const char* at = index.text; (e = nextRuntimeEntry(&at, end, &size, name, sizeof name)) == ENTRY_OK;)
        total += size;
    if (e == ENTRY_BAD) return ERR_BAD_INDEX;
    if (!createDirectory(folder) || !holdFolder(folders, folder)) return ERR_NO_FOLDER;
    const char* at = index.text;
    char previous[TEXT_CAP];
    copyText(previous, sizeof previous, folder);
    for (unsigned long i = 0; nextRuntimeEntry(&at, end, &size, name, sizeof name) == ENTRY_OK; ++i) {
        if (!joinPath(path, folder, name) || !makeParents(path, strlen(folder), previous, folders))
            return ERR_NOT_CREATED;
        copyText(resource, sizeof resource, prefix);
        appendUnsigned(resource, sizeof resource, i);
        HANDLE written = INVALID_HANDLE_VALUE;
        int code = writeResourceFile(module, path, resource, type, true, &written);
        if (code) return code;
        if (!hold(files, written)) {
            bool flushed = FlushFileBuffers(written);
            CloseHandle(written);
            if (!flushed) return ERR_NOT_WRITTEN;
        }
        done += size;
        if (permille && total) InterlockedExchange(permille, (LONG)(done * 1000 / total));
    }
    if (!flushAll(files)) return ERR_NOT_WRITTEN;
    HANDLE marker = joinPath(path, folder, MARKER)
                        ? openFile(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT)
                        : INVALID_HANDLE_VALUE;
    if (marker == INVALID_HANDLE_VALUE) return ERR_NOT_CREATED;
    DWORD written = 0;
    bool ok = WriteFile(marker, index.text, (DWORD)index.length, &written, nullptr) && written == index.length &&
              FlushFileBuffers(marker);
    CloseHandle(marker);
    return ok ? 0 : ERR_NOT_WRITTEN;
}

static int writeCopy(HMODULE module, const char* type, const char* prefix, const RuntimeIndex& index,
                     const char* folder, volatile LONG* permille) {
    HeldSet folders = {nullptr, 0, 0}, files = {nullptr, 0, 0};
    int code = writeFiles(module, type, prefix, index, folder, permille, &folders, &files);
    releaseHeld(&files);
    releaseHeld(&folders);
    free(files.items);
    free(folders.items);
    return code;
}

static bool siblingName(char* dst, const char* folder, const char* kind) {
    copyText(dst, TEXT_CAP, folder);
    return appendText(dst, TEXT_CAP, kind) && appendUnsigned(dst, TEXT_CAP, GetCurrentProcessId());
}

static void markUsedNow(const char* folder) {
    char marker[TEXT_CAP];
    WidePath wide(joinPath(marker, folder, MARKER) ? marker : "");
    HANDLE file = wide.ok ? CreateFileW(wide.text, FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr)
                          : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    SetFileTime(file, nullptr, nullptr, &now);
    CloseHandle(file);
}

// A scanner may hold a file of a new copy for a moment.
static bool renameSoon(const char* from, const char* to) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (renamePath(from, to)) return true;
        DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
        Sleep(50);
    }
    return false;
}

// The root and the product's folder above it are real folders: through a
// link, a start would write, move and delete wherever it points.
static bool rootIsPlain(const char* root) {
    char parent[TEXT_CAP];
    copyText(parent, sizeof parent, root);
    char* slash = strrchr(parent, '\\');
    if (slash) *slash = '\0';
    return !isLink(root) && !isLink(parent);
}

// Renames the new copy into place; where another start was first, its
// copy serves if it is whole; a damaged one (a file gone or of another
// size) is moved aside and replaced; where it cannot be (a running
// application holds it), `home` becomes the start's own copy, which a later
// start deletes once nothing holds it.
static void placeCopy(const char* partial, char* home, const char* aside, const RuntimeIndex& index,
                      const char* bytesHash, HeldSet* set) {
    if (renameSoon(partial, home)) return;
    if (isWholeRuntime(home, index, bytesHash, set)) {
        removeTree(partial);
        return;
    }
    if (renameSoon(home, aside) && renameSoon(partial, home)) {
        removeTree(aside);
        return;
    }
    copyText(home, TEXT_CAP, partial);
}

int installCopy(HMODULE module, const char* type, const char* prefix, const char* root, const char* hash, char* home,
                volatile LONG* permille, bool checkBytes) {
    const char* bytesHash = checkBytes ? hash : nullptr;
    // A restart checks its copy anew: what was held for the last one goes.
    HeldSet* set = &heldSets[strcmp(type, "RUNTIME") == 0 ? 0 : 1];
    releaseHeld(set);
    RuntimeIndex index;
    char name[20], partial[TEXT_CAP], aside[TEXT_CAP];
    if (!copyIndex(module, type, prefix, &index)) return ERR_NO_RESOURCE;
    if (!runtimeFolderName(hash, name, sizeof name)) return ERR_BAD_INDEX;
    if (!joinPath(home, root, name) || !siblingName(partial, home, ".partial-") || !siblingName(aside, home, ".old-"))
        return ERR_NOT_CREATED;
    createDirectory(root);
    if (!rootIsPlain(root)) return ERR_NO_FOLDER;
    // A link in the copy's place is taken away, never followed, nor renamed:
    // some systems would move the folder it leads to. Where it cannot be
    // taken away, this start runs from a copy of its own.
    if (isLink(home)) removeTree(home);
    bool linked = isLink(home);
    // Used now: no other version's start deletes it before the child holds it.
    if (!linked && isWholeRuntime(home, index, bytesHash, set)) {
        markUsedNow(home);
        return 0;
    }
    // One left by an ended process that had this process's number.
    removeTree(partial);
    int code = writeCopy(module, type, prefix, index, partial, permille);
    if (code) {
        removeTree(partial);
        return code;
    }
    if (!linked) placeCopy(partial, home, aside, index, bytesHash, set);
    if (!sameFileName(home, partial) && isLink(home)) copyText(home, TEXT_CAP, partial);
    // The copy in use is checked, and held, where its bytes must be the builder's.
    releaseHeld(set);
    return !bytesHash || isWholeRuntime(home, index, bytesHash, set) ? 0 : ERR_NOT_WRITTEN;
}

static bool olderThan(const FILETIME& time, ULONGLONG age) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG then = (ULONGLONG)time.dwHighDateTime << 32 | time.dwLowDateTime;
    ULONGLONG at = (ULONGLONG)now.dwHighDateTime << 32 | now.dwLowDateTime;
    return at > then && at - then >= age;
}

// A copy that a running start holds (its marker is open) is in use.
static bool markerHeld(const char* folder) {
    char marker[TEXT_CAP];
    if (!joinPath(marker, folder, MARKER) || !pathExists(marker)) return false;
    HANDLE alone = openFile(marker, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    if (alone == INVALID_HANDLE_VALUE) return true;
    CloseHandle(alone);
    return false;
}

// The marker's time is the copy's last use: each start that ran from it
// sets it, after the application is up.
static bool lastUsedBefore(const char* folder, ULONGLONG age) {
    char marker[TEXT_CAP];
    FileTime written;
    if (!joinPath(marker, folder, MARKER) || !pathExists(marker, &written)) return false;
    FILETIME time = {written.low, written.high};
    return olderThan(time, age);
}

// Another version's copy is kept while it is used now and then.
static const ULONGLONG UNUSED_AGE = 30ULL * 24 * 3600 * 10000000ULL;

void removeOtherCopies(const char* root, const char* home) {
    char pattern[TEXT_CAP], path[TEXT_CAP], aside[TEXT_CAP];
    if (!joinPath(pattern, root, "*")) return;
    FoundFile found;
    HANDLE search = findFirstFile(pattern, &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = findNextFile(search, &found)) {
        if (!(found.attributes & FILE_ATTRIBUTE_DIRECTORY) || (found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !joinPath(path, root, found.name) || sameFileName(path, home))
            continue;
        CopyFolder kind = copyFolderKind(found.name);
        bool stale = (kind == COPY_WHOLE && lastUsedBefore(path, UNUSED_AGE)) ||
                     (kind == COPY_UNFINISHED && olderThan(found.lastWrite, UNFINISHED_AGE)) ||
                     kind == COPY_SET_ASIDE;
        if (!stale || markerHeld(path)) continue;
        // Renamed first: a folder that a running application holds cannot
        // be, and stays whole.
        char base[20];
        copyChars(base, sizeof base, found.name, 16);
        if (kind == COPY_SET_ASIDE) {
            removeTree(path);
        } else if (joinPath(aside, root, base) && siblingName(aside, aside, ".gone-") && renamePath(path, aside)) {
            removeTree(aside);
        }
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

static HANDLE heldMarker = INVALID_HANDLE_VALUE;

void holdCopy(const char* home) {
    char marker[TEXT_CAP];
    if (!joinPath(marker, home, MARKER)) return;
    heldMarker = openFile(marker, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

void markCopyDamaged(const char* home) {
    char marker[TEXT_CAP];
    if (heldMarker != INVALID_HANDLE_VALUE) CloseHandle(heldMarker);
    heldMarker = INVALID_HANDLE_VALUE;
    if (joinPath(marker, home, MARKER)) deleteFile(marker);
}

bool copiesInUse(const char* folder) {
    char pattern[TEXT_CAP], path[TEXT_CAP];
    bool used = false;
    if (!joinPath(pattern, folder, "*")) return false;
    FoundFile found;
    HANDLE search = findFirstFile(pattern, &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more && !used; more = findNextFile(search, &found))
        used = (found.attributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
               copyFolderKind(found.name) != COPY_NOT_OURS && joinPath(path, folder, found.name) && markerHeld(path);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return used;
}

bool copyHoldsOnlyItsCode(HMODULE module, const char* type, const char* prefix, const char* home) {
    RuntimeIndex index;
    return copyIndex(module, type, prefix, &index) && !isLink(home) && exactTree(home, index);
}
