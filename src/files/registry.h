// The registry, with UTF-8 names and texts. The launcher's own records (the
// version cache, the temp records) live below HKEY_LOCAL_MACHINE, or, where
// the user may not write there, below the same path in HKEY_CURRENT_USER:
// they are read from both, machine first, and written where it is allowed.
#pragma once
#include <windows.h>

#include <cstddef>

enum { RECORD_ROOT_COUNT = 2 };
extern const HKEY RECORD_ROOTS[RECORD_ROOT_COUNT];

LONG openKey(HKEY root, const char* subKey, REGSAM access, HKEY* key);
// Creates (or opens) `name` below `parent`, which is opened for creating
// first: a refusal of the parent is a refusal, also where the system would
// let a full path through.
LONG createKeyBelow(HKEY root, const char* parent, const char* name, HKEY* key);

// Reads the value as text into buf (cap bytes), whether or not the stored
// data carries its terminator. False when the value is missing, cannot be
// read, or holds more than fits; *missing tells the first apart.
bool queryRegistryText(HKEY key, const char* name, char* buf, DWORD cap, bool* missing = nullptr);
// The whole text, allocated with room for `extra` more bytes; nullptr when
// missing (then *missing) or unreadable.
char* queryRegistryTextAlloc(HKEY key, const char* name, size_t extra, bool* missing);
bool setRegistryText(HKEY key, const char* name, const char* text);
bool queryRegistryBytes(HKEY key, const char* name, BYTE* data, DWORD size);
bool setRegistryBytes(HKEY key, const char* name, const BYTE* data, DWORD size);
// The name of sub-key `index`: 1 found, 0 at the end, -1 for an index whose
// name does not fit (skip it).
int subKeyName(HKEY key, DWORD index, char* name, size_t cap);
