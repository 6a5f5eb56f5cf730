#include "files/runtime_cache.h"

#include <cstdlib>
#include <cstring>

#include "files/bytes_text.h"
#include "files/extract.h"
#include "files/paths.h"
#include "files/runtime_text.h"
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
    // Where the files themselves are: resources <prefix>0, <prefix>1, ...
    HMODULE module;
    const char* type;
    const char* prefix;
};

static const char* resourceData(HMODULE module, const char* type, const char* name, size_t* length) {
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? (const char*)LockResource(loaded) : nullptr;
    *length = data ? SizeofResource(module, found) : 0;
    return data;
}

static bool copyIndex(HMODULE module, const char* type, const char* prefix, RuntimeIndex* index) {
    char name[32];
    copyText(name, sizeof name, prefix);
    appendText(name, sizeof name, "INDEX");
    size_t length = 0;
    const char* text = resourceData(module, type, name, &length);
    *index = {text, length, module, type, prefix};
    return text != nullptr;
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
    // Inherited by the next child made, or given to the one made already.
    bool inherited;
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

static HANDLE openHeld(const char* path, bool inherited) {
    WidePath wide(path);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, inherited};
    return wide.ok ? CreateFileW(wide.text, GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)
                   : INVALID_HANDLE_VALUE;
}

// The files of a copy, compared byte for byte with the launcher's own
// resources by two threads at once: the opening and reading of one piece
// overlaps the comparing of another, and a runtime's one large file is
// shared out like the rest. Comparing costs a fraction of hashing, and
// proves more.
enum { CHECK_WORKERS = 2, CHECK_READ = 1 << 20, CHECK_PIECE = 4 << 20 };
struct CheckedPiece {
    size_t file;
    unsigned long long offset, length;
};
struct BytesCheck {
    const char* folder;
    bool inherited;
    StringList names;
    const char** carried;  // each file's bytes in the launcher
    unsigned long long* sizes;
    HANDLE* files[CHECK_WORKERS];  // each worker's own handles
    CheckedPiece* pieces;
    size_t pieceCount;
    volatile LONG next;
    volatile LONG failed;
};
struct CheckWorker {
    BytesCheck* check;
    int index;
    char* buffer;
};

static bool holdTreeFolder(const char* path, HeldSet* set) {
    WidePath wide(path);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, set->inherited};
    HANDLE folder = wide.ok ? CreateFileW(wide.text, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)
                            : INVALID_HANDLE_VALUE;
    if (folder == INVALID_HANDLE_VALUE) return false;
    if (!hold(set, folder)) {
        CloseHandle(folder);
        return false;
    }
    // Held, it stays the folder of this name: what it is now, it remains.
    return !isLink(path);
}

// The worker's own held handle of the file: reads at two places of one
// handle would wait for each other.
static HANDLE heldFile(BytesCheck* check, int worker, size_t i) {
    HANDLE* file = &check->files[worker][i];
    if (*file != INVALID_HANDLE_VALUE) return *file;
    char path[TEXT_CAP];
    *file = joinPath(path, check->folder, check->names.items[i]) ? openHeld(path, check->inherited) : INVALID_HANDLE_VALUE;
    LARGE_INTEGER length;
    if (*file == INVALID_HANDLE_VALUE || !GetFileSizeEx(*file, &length) ||
        (unsigned long long)length.QuadPart != check->sizes[i])
        return INVALID_HANDLE_VALUE;
    return *file;
}

static bool pieceIsCarried(BytesCheck* check, int worker, size_t n, char* buffer) {
    const CheckedPiece& piece = check->pieces[n];
    HANDLE file = heldFile(check, worker, piece.file);
    if (file == INVALID_HANDLE_VALUE) return false;
    const char* carried = check->carried[piece.file] + piece.offset;
    DWORD got = 0;
    unsigned long long at = piece.offset;
    for (unsigned long long left = piece.length; left > 0; left -= got, at += got, carried += got) {
        DWORD ask = left < CHECK_READ ? (DWORD)left : (DWORD)CHECK_READ;
        OVERLAPPED from = {};
        from.Offset = (DWORD)at;
        from.OffsetHigh = (DWORD)(at >> 32);
        if (check->failed || !ReadFile(file, buffer, ask, &got, &from) || got == 0 || !sameBytes(buffer, carried, got))
            return false;
    }
    return true;
}

static DWORD WINAPI checkPieces(void* raw) {
    CheckWorker* worker = (CheckWorker*)raw;
    BytesCheck* check = worker->check;
    for (LONG n; !check->failed && (n = InterlockedIncrement(&check->next) - 1) < (LONG)check->pieceCount;)
        if (!pieceIsCarried(check, worker->index, (size_t)n, worker->buffer)) InterlockedExchange(&check->failed, 1);
    return 0;
}

// The index's files, the launcher's bytes of each, and their pieces: false
// where a file the index lists is not carried at its listed size.
static bool planPieces(const RuntimeIndex& index, BytesCheck* check) {
    const char* at = index.text;
    char name[TEXT_CAP], resource[32];
    unsigned long long size = 0, count = 0, pieces = 0;
    for (; nextRuntimeEntry(&at, index.text + index.length, &size, name, sizeof name) == ENTRY_OK; ++count)
        pieces += size / CHECK_PIECE + 1;
    check->pieces = (CheckedPiece*)calloc(pieces, sizeof *check->pieces);
    check->sizes = (unsigned long long*)calloc(count, sizeof *check->sizes);
    check->carried = (const char**)calloc(count, sizeof *check->carried);
    if (!check->pieces || !check->sizes || !check->carried) return false;
    at = index.text;
    while (nextRuntimeEntry(&at, index.text + index.length, &size, name, sizeof name) == ENTRY_OK) {
        size_t file = check->names.count, carriedSize = 0;
        copyText(resource, sizeof resource, index.prefix);
        appendUnsigned(resource, sizeof resource, file);
        check->carried[file] = resourceData(index.module, index.type, resource, &carriedSize);
        if (!check->carried[file] || carriedSize != size || !addString(&check->names, name)) return false;
        check->sizes[file] = size;
        for (unsigned long long offset = 0; offset < size; offset += CHECK_PIECE) {
            unsigned long long left = size - offset;
            check->pieces[check->pieceCount++] = {file, offset, left < CHECK_PIECE ? left : (unsigned long long)CHECK_PIECE};
        }
        // An empty file is still opened, held and its size checked.
        if (size == 0) check->pieces[check->pieceCount++] = {file, 0, 0};
    }
    if (check->names.count != count) return false;
    for (HANDLE*& files : check->files) {
        files = (HANDLE*)malloc(check->names.count * sizeof(HANDLE));
        for (size_t i = 0; files && i < check->names.count; ++i) files[i] = INVALID_HANDLE_VALUE;
        if (!files) return false;
    }
    return true;
}

// The copy's folder and each folder in it, held from the top down without
// delete sharing, none a link: a folder swapped for a link after its files
// were opened would lead the VM to others of the same names.
static bool holdFolders(const char* folder, const RuntimeIndex& index, HeldSet* set) {
    char name[TEXT_CAP], path[TEXT_CAP], last[TEXT_CAP] = "";
    unsigned long long size = 0;
    const char* at = index.text;
    bool held = holdTreeFolder(folder, set);
    // Every folder above the last file's was held with it.
    while (held && nextRuntimeEntry(&at, index.text + index.length, &size, name, sizeof name) == ENTRY_OK) {
        char* end = strrchr(name, '\\');
        if (!end) continue;
        *end = '\0';
        for (char* c = name; held; ++c) {
            if (*c != '\\' && *c != '\0') continue;
            char kept = *c;
            *c = '\0';
            size_t length = strlen(name);
            if (strncmp(last, name, length) != 0 || (last[length] != '\\' && last[length] != '\0'))
                held = joinPath(path, folder, name) && holdTreeFolder(path, set);
            *c = kept;
            if (!kept) break;
        }
        copyText(last, sizeof last, name);
    }
    return held;
}

// Every listed file's bytes are the launcher's, each read through a handle
// that shares no writing and stays open.
static bool bytesAreCarried(const char* folder, const RuntimeIndex& index, HeldSet* set) {
    // Each check its own: two copies may be checked at once.
    char* buffers = (char*)malloc(CHECK_WORKERS * CHECK_READ);
    BytesCheck check = {folder, set->inherited, {nullptr, 0, 0}, nullptr, nullptr, {nullptr, nullptr}, nullptr, 0, 0, 0};
    bool whole = buffers && holdFolders(folder, index, set) && planPieces(index, &check);
    if (whole) {
        CheckWorker workers[CHECK_WORKERS] = {{&check, 0, buffers}, {&check, 1, buffers + CHECK_READ}};
        HANDLE second = CreateThread(nullptr, 0, checkPieces, &workers[1], 0, nullptr);
        checkPieces(&workers[0]);
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
    free(buffers);
    free(check.carried);
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

// Whole: the marker holds the index and each file has its size; with
// `checkBytes`, the bytes are the launcher's and the tree holds nothing else.
static bool isWholeRuntime(const char* folder, const RuntimeIndex& index, bool checkBytes, HeldSet* set) {
    char path[TEXT_CAP];
    if (isLink(folder)) return false;
    size_t length = 0;
    char* marker = joinPath(path, folder, MARKER) ? readFileAlloc(path, index.length + 1, &length) : nullptr;
    bool whole = marker && length == index.length && memcmp(marker, index.text, length) == 0;
    free(marker);
    if (whole && checkBytes) {
        // The sizes come with the bytes, through the held handles.
        size_t mark = set->count;
        if (bytesAreCarried(folder, index, set) && exactTree(folder, index)) return true;
        releaseHeld(set, mark);
        return false;
    }
    const char* at = index.text;
    char name[TEXT_CAP];
    unsigned long long listed = 0;
    // Each call its own: two copies may be checked at once.
    FolderListing listing;
    listing.folder[0] = '\0';
    listing.files = {nullptr, 0, 0};
    for (RuntimeEntry e; whole && (e = nextRuntimeEntry(&at, index.text + index.length, &listed, name, sizeof name)) !=
                                      ENTRY_END;)
        whole = e == ENTRY_OK && joinPath(path, folder, name) && hasFileOfSize(&listing, path, listed);
    freeStringList(&listing.files);
    return whole;
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

// Every file is on the disk before the marker: each is flushed by a thread
// of its own while the next ones are written, so that the disk's time
// overlaps the copying (the large file that comes early most of all).
struct Flusher {
    HANDLE* files;  // one for each file of the index, in the order written
    size_t count;
    HANDLE written;  // a count of the files written and not yet flushed
    volatile LONG stop;
    volatile LONG failed;
};

static DWORD WINAPI flushInTurn(void* raw) {
    Flusher* f = (Flusher*)raw;
    for (size_t i = 0; i < f->count; ++i) {
        WaitForSingleObject(f->written, INFINITE);
        if (f->stop) break;
        if (!FlushFileBuffers(f->files[i])) InterlockedExchange(&f->failed, 1);
    }
    return 0;
}

static int writeEach(HMODULE module, const char* type, const char* prefix, const RuntimeIndex& index,
                     const char* folder, volatile LONG* permille, HeldSet* folders, Flusher* flusher) {
    const char* end = index.text + index.length;
    char name[TEXT_CAP], path[TEXT_CAP], resource[32];
    unsigned long long size = 0, total = 0, done = 0;
    for (const char* at = index.text; nextRuntimeEntry(&at, end, &size, name, sizeof name) == ENTRY_OK;)
        total += size;
    if (!createDirectory(folder) || !holdFolder(folders, folder)) return ERR_NO_FOLDER;
    const char* at = index.text;
    char previous[TEXT_CAP];
    copyText(previous, sizeof previous, folder);
    for (unsigned long i = 0; i < flusher->count && nextRuntimeEntry(&at, end, &size, name, sizeof name) == ENTRY_OK;
         ++i) {
        if (!joinPath(path, folder, name) || !makeParents(path, strlen(folder), previous, folders))
            return ERR_NOT_CREATED;
        copyText(resource, sizeof resource, prefix);
        appendUnsigned(resource, sizeof resource, i);
        int code = writeResourceFile(module, path, resource, type, true, &flusher->files[i]);
        if (code) return code;
        if (flusher->written) ReleaseSemaphore(flusher->written, 1, nullptr);
        done += size;
        if (permille && total) InterlockedExchange(permille, (LONG)(done * 1000 / total));
    }
    return 0;
}

static int writeFiles(HMODULE module, const char* type, const char* prefix, const RuntimeIndex& index,
                      const char* folder, volatile LONG* permille, HeldSet* folders) {
    const char* at = index.text;
    char name[TEXT_CAP];
    unsigned long long size = 0;
    size_t count = 0;
    RuntimeEntry e;
    while ((e = nextRuntimeEntry(&at, index.text + index.length, &size, name, sizeof name)) == ENTRY_OK) ++count;
    if (e == ENTRY_BAD) return ERR_BAD_INDEX;
    Flusher flusher = {(HANDLE*)malloc((count ? count : 1) * sizeof(HANDLE)), count, nullptr, 0, 0};
    if (!flusher.files) return ERR_NOT_WRITTEN;
    for (size_t i = 0; i < count; ++i) flusher.files[i] = INVALID_HANDLE_VALUE;
    flusher.written = CreateSemaphoreW(nullptr, 0, (LONG)(count ? count : 1), nullptr);
    HANDLE thread = flusher.written ? CreateThread(nullptr, 0, flushInTurn, &flusher, 0, nullptr) : nullptr;
    int code = writeEach(module, type, prefix, index, folder, permille, folders, &flusher);
    if (thread) {
        // A failed copy needs no flushing: the thread stops at its next file.
        if (code) {
            InterlockedExchange(&flusher.stop, 1);
            ReleaseSemaphore(flusher.written, 1, nullptr);
        }
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    for (size_t i = 0; i < count; ++i) {
        if (flusher.files[i] == INVALID_HANDLE_VALUE) continue;
        if (!thread && !code && !FlushFileBuffers(flusher.files[i])) flusher.failed = 1;
        CloseHandle(flusher.files[i]);
    }
    if (flusher.written) CloseHandle(flusher.written);
    free(flusher.files);
    if (code) return code;
    if (flusher.failed) return ERR_NOT_WRITTEN;
    char path[TEXT_CAP];
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
    HeldSet folders = {nullptr, 0, 0, false};
    int code = writeFiles(module, type, prefix, index, folder, permille, &folders);
    releaseHeld(&folders);
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
                      bool checkBytes, HeldSet* set) {
    if (renameSoon(partial, home)) return;
    if (isWholeRuntime(home, index, checkBytes, set)) {
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
    // A restart checks its copy anew: what was held for the last one goes.
    HeldSet* set = &heldSets[strcmp(type, "RUNTIME") == 0 ? 0 : 1];
    releaseHeld(set);
    set->inherited = true;
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
    if (!linked && isWholeRuntime(home, index, checkBytes, set)) {
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
    if (!linked) placeCopy(partial, home, aside, index, checkBytes, set);
    if (!sameFileName(home, partial) && isLink(home)) copyText(home, TEXT_CAP, partial);
    // The copy in use is checked, and held, where its bytes must be the builder's.
    releaseHeld(set);
    return !checkBytes || isWholeRuntime(home, index, checkBytes, set) ? 0 : ERR_NOT_WRITTEN;
}

bool copyIsCarried(HMODULE module, const char* type, const char* prefix, const char* home) {
    HeldSet* set = &heldSets[strcmp(type, "RUNTIME") == 0 ? 0 : 1];
    releaseHeld(set);
    set->inherited = false;
    RuntimeIndex index;
    return copyIndex(module, type, prefix, &index) && isWholeRuntime(home, index, true, set);
}

bool giveHeldCopy(const char* type, HANDLE process) {
    HeldSet* set = &heldSets[strcmp(type, "RUNTIME") == 0 ? 0 : 1];
    for (size_t i = 0; i < set->count; ++i) {
        HANDLE given = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), set->items[i], process, &given, 0, FALSE, DUPLICATE_SAME_ACCESS))
            return false;
    }
    return true;
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
