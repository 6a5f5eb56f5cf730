// Why a Java's jvm.dll would not load, in words a user can pass on.
#pragma once
#include <windows.h>

#include <cstddef>

// Empty when the load of `library` did not fail (`error` 0); else the
// system's reason and, for a module that was not found, which DLL that
// jvm.dll imports is missing.
void describeLoadFailure(const char* javaPath, DWORD error, const char* library, char* dst, size_t cap);
