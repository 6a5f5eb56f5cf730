// The configured search sequence and the names the search builds.
#pragma once
#include <cstddef>

// The next non-empty entry of a ";"-separated sequence: its first character
// and the rest as argument (cut to cap). False when none is left.
bool nextSearchEntry(const char** at, char* letter, char* argument, size_t cap);

// The launcher's own Java variable for a flavour letter, or null.
const char* flavourJavaVariable(char flavour);

// "SOFTWARE\brannoc\tarvo\jvms\" and the path with "/" for "\". False when
// it does not fit.
bool cacheKeyName(char* dst, size_t cap, const char* javaPath);

// The directory of java.exe or javaw.exe, with its trailing backslash.
void jvmDirectoryOf(char* dst, size_t cap, const char* javaPath);

// Sorts names ascending, byte by byte as unsigned characters.
void sortVersionNames(char** names, size_t count);
