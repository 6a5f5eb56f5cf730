#include "files/temp_records.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "files/paths.h"
#include "files/registry.h"
#include "files/temp_records_text.h"
#include "files/text.h"

static const char TEMP_KEY[] = "SOFTWARE\\brannoc\\tarvo\\temp\\";
static const char FILE_VALUE[] = "delete_file";
static const char DIR_VALUE[] = "delete_dir";
// Launchers that start or end at the same moment would otherwise overwrite
// each other's record updates.
static const char RECORDS_MUTEX[] = "Global\\brannoc.tarvo.temp-records";
static const DWORD RECORDS_WAIT_MS = 10000;

struct PathList {
    char** items;
    size_t count;
};

static PathList tempFiles = {nullptr, 0};
static PathList tempDirs = {nullptr, 0};

static void addPath(PathList* list, const char* path) {
    char** grown = (char**)realloc(list->items, (list->count + 1) * sizeof *grown);
    char* copy = strdup(path);
    if (!grown || !copy) {
        free(copy);
        if (grown) list->items = grown;
        return;
    }
    list->items = grown;
    list->items[list->count++] = copy;
}

void addTempFile(const char* path) { addPath(&tempFiles, path); }
void addTempDir(const char* path) { addPath(&tempDirs, path); }

static HANDLE lockRecords() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, RECORDS_MUTEX);
    if (!mutex) return nullptr;
    DWORD waited = WaitForSingleObject(mutex, RECORDS_WAIT_MS);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return mutex;
    CloseHandle(mutex);  // never keep a user from starting: go on unlocked
    return nullptr;
}

static void unlockRecords(HANDLE mutex) {
    if (!mutex) return;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

// Reads a record; false when it exists but cannot be read whole, so that the
// caller leaves it alone rather than overwrite what it could not see.
static bool readRecord(HKEY key, const char* valueName, char* record) {
    bool missing = false;
    return queryRegistryText(key, valueName, record, TEXT_CAP, &missing) || missing;
}

static void writeRecord(HKEY key, const char* valueName, const char* record) {
    RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)record, (DWORD)strlen(record));
}

void recordForDeletion(const char* path, const char* valueName) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, TEMP_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    char record[TEXT_CAP];
    if (readRecord(key, valueName, record) && appendRecordEntry(record, sizeof record, path))
        writeRecord(key, valueName, record);
    RegCloseKey(key);
}

void recordTempPaths() {
    if (!tempFiles.count && !tempDirs.count) return;
    HANDLE lock = lockRecords();
    for (size_t i = 0; i < tempFiles.count; ++i) recordForDeletion(tempFiles.items[i], FILE_VALUE);
    for (size_t i = 0; i < tempDirs.count; ++i) recordForDeletion(tempDirs.items[i], DIR_VALUE);
    unlockRecords(lock);
}

bool canOpenExclusively(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

static void deleteFileEntry(const char* path) {
    if (canOpenExclusively(path)) DeleteFileA(path);
}

static void removeDirEntry(const char* path) { RemoveDirectoryA(path); }

static void cleanRecord(HKEY key, const char* valueName, void (*remove)(const char*)) {
    char record[TEXT_CAP], remaining[TEXT_CAP], entry[TEXT_CAP];
    if (!readRecord(key, valueName, record)) return;
    remaining[0] = '\0';
    for (const char* at = record; nextRecordEntry(&at, entry, sizeof entry);) {
        remove(entry);
        if (pathExists(entry)) appendRecordEntry(remaining, sizeof remaining, entry);
    }
    writeRecord(key, valueName, remaining);
}

void cleanupTempRecords() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, TEMP_KEY, 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, &key) !=
        ERROR_SUCCESS)
        return;
    HANDLE lock = lockRecords();
    cleanRecord(key, FILE_VALUE, deleteFileEntry);
    cleanRecord(key, DIR_VALUE, removeDirEntry);
    unlockRecords(lock);
    RegCloseKey(key);
}
