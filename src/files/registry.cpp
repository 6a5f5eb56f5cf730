#include "files/registry.h"

#include <cstdlib>

#include "files/text.h"
#include "files/wide.h"

const HKEY RECORD_ROOTS[RECORD_ROOT_COUNT] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

// Key and value names are short; a name that does not fit is no name of ours.
enum { NAME_CAP = 1024 };

LONG openKey(HKEY root, const char* subKey, REGSAM access, HKEY* key) {
    WidePath w(subKey);
    if (!w.ok) return ERROR_INVALID_NAME;
    return RegOpenKeyExW(root, w.text, 0, access, key);
}

// Opens an existing key with the access asked, so that its own refusal
// counts (creating through it is not always checked); creates it otherwise.
static LONG openOrCreate(HKEY base, const wchar_t* name, REGSAM access, HKEY* key) {
    LONG rc = RegOpenKeyExW(base, name, 0, access, key);
    if (rc != ERROR_FILE_NOT_FOUND) return rc;
    return RegCreateKeyExW(base, name, 0, nullptr, 0, access, nullptr, key, nullptr);
}

LONG createKeyBelow(HKEY root, const char* parent, const char* name, HKEY* key) {
    WidePath wParent(parent), wName(name);
    if (!wParent.ok || !wName.ok) return ERROR_INVALID_NAME;
    HKEY above;
    LONG rc = openOrCreate(root, wParent.text, KEY_CREATE_SUB_KEY, &above);
    if (rc != ERROR_SUCCESS) return rc;
    rc = openOrCreate(above, wName.text, KEY_READ | KEY_WRITE, key);
    RegCloseKey(above);
    return rc;
}

// A REG_EXPAND_SZ value's %variables% put in (installers write
// %ProgramFiles% and %LOCALAPPDATA%); the value itself where that fails.
static wchar_t* expanded(wchar_t* value) {
    DWORD n = ExpandEnvironmentStringsW(value, nullptr, 0);
    wchar_t* out = n ? (wchar_t*)malloc(n * sizeof(wchar_t)) : nullptr;
    DWORD got = out ? ExpandEnvironmentStringsW(value, out, n) : 0;
    if (got == 0 || got > n) {
        free(out);
        return value;
    }
    free(value);
    return out;
}

// Reads a REG_SZ or REG_EXPAND_SZ value as UTF-16 into a fresh allocation,
// terminated.
static wchar_t* readWideValue(HKEY key, const char* name, bool* missing) {
    WidePath w(name);
    *missing = false;
    if (!w.ok) return nullptr;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        LONG rc = RegQueryValueExW(key, w.text, nullptr, nullptr, nullptr, &size);
        *missing = rc == ERROR_FILE_NOT_FOUND;
        if (rc != ERROR_SUCCESS) return nullptr;
        wchar_t* value = (wchar_t*)malloc(size + sizeof(wchar_t));
        if (!value) return nullptr;
        DWORD type = REG_SZ;
        rc = RegQueryValueExW(key, w.text, nullptr, &type, (BYTE*)value, &size);
        if (rc == ERROR_SUCCESS) {
            value[size / sizeof(wchar_t)] = L'\0';
            return type == REG_EXPAND_SZ ? expanded(value) : value;
        }
        free(value);
        if (rc != ERROR_MORE_DATA) return nullptr;  // it grew meanwhile: ask again
    }
    return nullptr;
}

char* queryRegistryTextAlloc(HKEY key, const char* name, size_t extra, bool* missing) {
    wchar_t* value = readWideValue(key, name, missing);
    if (!value) return nullptr;
    char* text = allocUtf8(value);
    free(value);
    char* out = text ? (char*)realloc(text, strlen(text) + 1 + extra) : nullptr;
    if (!out) free(text);
    return out;
}

bool queryRegistryText(HKEY key, const char* name, char* buf, DWORD cap, bool* missing) {
    bool absent = false;
    char* value = queryRegistryTextAlloc(key, name, 0, &absent);
    if (missing) *missing = absent;
    bool fits = value && copyText(buf, cap, value);
    free(value);
    if (!fits && cap) buf[0] = '\0';
    return fits;
}

bool setRegistryText(HKEY key, const char* name, const char* text) {
    WidePath w(name);
    wchar_t* value = allocWide(text);
    DWORD bytes = value ? (DWORD)(lstrlenW(value) + 1) * sizeof(wchar_t) : 0;
    bool ok = w.ok && value && RegSetValueExW(key, w.text, 0, REG_SZ, (const BYTE*)value, bytes) == ERROR_SUCCESS;
    free(value);
    return ok;
}

bool queryRegistryBytes(HKEY key, const char* name, BYTE* data, DWORD size) {
    WidePath w(name);
    DWORD got = size;
    return w.ok && RegQueryValueExW(key, w.text, nullptr, nullptr, data, &got) == ERROR_SUCCESS && got == size;
}

bool setRegistryBytes(HKEY key, const char* name, const BYTE* data, DWORD size) {
    WidePath w(name);
    return w.ok && RegSetValueExW(key, w.text, 0, REG_BINARY, data, size) == ERROR_SUCCESS;
}

int subKeyName(HKEY key, DWORD index, char* name, size_t cap) {
    wchar_t wide[NAME_CAP];
    DWORD size = NAME_CAP;
    LONG rc = RegEnumKeyExW(key, index, wide, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) return -1;
    if (rc != ERROR_SUCCESS) return 0;
    return toUtf8(wide, name, cap) ? 1 : -1;
}
