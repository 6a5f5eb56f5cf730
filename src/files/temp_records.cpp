#include "files/temp_records.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "files/path_text.h"
#include "files/paths.h"
#include "files/trace.h"
#include "files/registry.h"
#include "files/string_list.h"
#include "files/busy.h"
#include "files/list_text.h"
#include "files/text.h"
#include "files/wide.h"

static const char RECORDS_PARENT[] = "SOFTWARE\\brannoc\\tarvo";
static const char RECORDS_NAME[] = "temp";
static const char TEMP_KEY[] = "SOFTWARE\\brannoc\\tarvo\\temp";
static const char FILE_VALUE[] = "delete_file";
static const char DIR_VALUE[] = "delete_dir";
// Launchers that start or end at the same moment would otherwise overwrite
// each other's record updates.
static const char RECORDS_MUTEX[] = "Global\\brannoc.tarvo.temp-records";
static const DWORD RECORDS_WAIT_MS = 10000, WAIT_SLICE_MS = 50;

static StringList tempFiles = {nullptr, 0, 0};
static StringList tempDirs = {nullptr, 0, 0};

void addTempFile(const char* path) { addString(&tempFiles, path); }
void addTempDir(const char* path) { addString(&tempDirs, path); }

static HANDLE lockRecords() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, RECORDS_MUTEX);
    if (!mutex) return nullptr;
    // In slices, so that the splash answers while another launcher holds it.
    DWORD waited = WAIT_TIMEOUT;
    for (DWORD spent = 0; waited == WAIT_TIMEOUT && spent < RECORDS_WAIT_MS; spent += WAIT_SLICE_MS) {
        waited = WaitForSingleObject(mutex, WAIT_SLICE_MS);
        whileBusy();
    }
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return mutex;
    CloseHandle(mutex);  // never keep a user from starting: go on unlocked
    return nullptr;
}

static void unlockRecords(HANDLE mutex) {
    if (!mutex) return;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

// Appends the path to a record below one root; false when that root
// refuses, or holds a record that cannot be read (it is left alone rather
// than overwritten unseen).
static bool recordUnder(HKEY root, const char* path, const char* valueName) {
    HKEY key;
    if (createKeyBelow(root, RECORDS_PARENT, RECORDS_NAME, &key) != ERROR_SUCCESS) return false;
    size_t room = strlen(path) + 2;
    bool missing = false;
    char* record = queryRegistryTextAlloc(key, valueName, room, &missing);
    if (!record && missing) record = (char*)calloc(room, 1);
    bool ok = record && appendListEntry(record, strlen(record) + room, path) &&
              setRegistryText(key, valueName, record);
    free(record);
    RegCloseKey(key);
    return ok;
}

// Machine-wide where allowed, else for this user: a standard user's files
// are deleted by the next start too.
void recordForDeletion(const char* path, const char* valueName) {
    for (HKEY root : RECORD_ROOTS)
        if (recordUnder(root, path, valueName)) return;
}

void recordTempPaths() {
    if (!tempFiles.count && !tempDirs.count) return;
    HANDLE lock = lockRecords();
    for (size_t i = 0; i < tempFiles.count; ++i) recordForDeletion(tempFiles.items[i], FILE_VALUE);
    for (size_t i = 0; i < tempDirs.count; ++i) recordForDeletion(tempDirs.items[i], DIR_VALUE);
    unlockRecords(lock);
}

bool canOpenExclusively(const char* path) {
    HANDLE h = openFile(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// The temporary folder's real path: every deletion is checked, by the handle
// it deletes through, to lie below it, whatever a name on the way has become
// since the entry was checked.
static char realTemp[TEXT_CAP] = "";

static void deleteFileEntry(const char* path) { deleteFileWithin(path, realTemp); }

// An extraction folder goes with what is left in it: a runtime copied
// there is recorded by its folder alone, and stays while a start runs
// from it.
static bool (*folderInUse)(const char*) = nullptr;

static void removeDirEntry(const char* path) {
    if (!folderInUse || !folderInUse(path)) removeTree(path, realTemp);
}

// A link or junction is never followed: deleting through it would delete
// whatever it points to.
static bool throughLink(const char* entry, const char* tempDir) {
    char path[TEXT_CAP];
    copyText(path, sizeof path, entry);
    // The entry, and the extraction folder that holds a file of it.
    while (strlen(path) > strlen(tempDir)) {
        if (isLink(path)) return true;
        char* slash = strrchr(path, '\\');
        if (!slash) break;
        *slash = '\0';
    }
    return false;
}

// The record is read whole, however long another launcher made it, and
// rewritten with what is still there. Records below the user's own keys can
// be written by any program of the user, and an elevated start reads them
// too: only a launcher's own names in this user's temporary folder are
// deleted, and other entries are dropped.
static void cleanRecord(HKEY key, const char* valueName, void (*remove)(const char*)) {
    bool missing = false;
    char* record = queryRegistryTextAlloc(key, valueName, 0, &missing);
    if (!record) return;
    size_t cap = strlen(record) + 1;
    char* remaining = (char*)calloc(cap, 1);
    char entry[TEXT_CAP], tempDir[TEXT_CAP] = "";
    tempPath(tempDir, sizeof tempDir);
    HANDLE temp = holdFolderOpen(tempDir);
    if (temp == INVALID_HANDLE_VALUE || !realPathOf(temp, realTemp, sizeof realTemp)) realTemp[0] = '\0';
    if (temp != INVALID_HANDLE_VALUE) CloseHandle(temp);
    size_t realLength = strlen(realTemp);
    if (realLength && realTemp[realLength - 1] == '\\') realTemp[realLength - 1] = '\0';
    for (const char* at = record; remaining && nextListEntry(&at, entry, sizeof entry);) {
        if (!isOwnTempEntry(entry, tempDir) || throughLink(entry, tempDir)) {
            trace({"clean-up: an entry that is not a launcher's own is dropped: ", entry});
            continue;
        }
        remove(entry);
        if (pathExists(entry)) appendListEntry(remaining, cap, entry);
    }
    if (remaining) setRegistryText(key, valueName, remaining);
    free(remaining);
    free(record);
}

void cleanupTempRecords(bool (*inUse)(const char* folder)) {
    folderInUse = inUse;
    HANDLE lock = nullptr;
    bool locked = false;
    for (HKEY root : RECORD_ROOTS) {
        HKEY key;
        if (openKey(root, TEMP_KEY, KEY_READ | KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
        if (!locked) lock = lockRecords();
        locked = true;
        cleanRecord(key, FILE_VALUE, deleteFileEntry);
        cleanRecord(key, DIR_VALUE, removeDirEntry);
        RegCloseKey(key);
    }
    unlockRecords(lock);
}
