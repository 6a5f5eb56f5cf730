// Why a Java's jvm.dll would not load, in words a user can pass on.
#pragma once
#include <cstddef>

// Empty when the last load did not fail; else the system's reason and, for
// a module that was not found, which DLL that jvm.dll imports is missing.
void describeLoadFailure(const char* javaPath, char* dst, size_t cap);
