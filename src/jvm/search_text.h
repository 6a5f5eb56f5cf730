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

// The Java home of an executable: the folder above its bin, or above
// jre\bin, with a trailing backslash (letter case of bin and jre ignored).
void javaHomeOf(char* dst, size_t cap, const char* javaPath);

// The folders beside java.exe that may hold jvm.dll, in the order tried.
enum { JVM_LIBRARY_PLACES = 4 };
// The path of jvm.dll in place `place`; false when it does not fit.
bool jvmLibraryPath(char* dst, size_t cap, const char* javaPath, int place);

// Sorts names ascending in Java's version order.
void sortVersionNames(char** names, size_t count);

// What the user reads when the only Java found cannot load in this process:
// the configured pattern with %JAVA_VERSION% (may be empty, and then takes
// its blank along), %JAVA_BITS%, %JAVA_HOME% (ends in a backslash) and
// %NEEDED_BITS% put in.
void wrongBitnessText(char* dst, size_t cap, const char* pattern, const char* version, const char* home,
                      const char* found, const char* needed);
