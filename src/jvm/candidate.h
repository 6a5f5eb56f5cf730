// Accepting or rejecting one proposed java.exe.
#pragma once
#include "files/paths.h"

// Rewrites javaPath (TEXT_CAP) to its canonical form and, when configured,
// to the javaw.exe beside it; true when the candidate is accepted.
bool checkJvmCandidate(char* javaPath, const char* minVersion, const char* maxVersion);
bool probeJavaVersion(const char* javaPath, char* version);
bool readCachedVersion(const char* javaPath, const FileTime& lastWriteTime, char* version);
void writeCachedVersion(const char* javaPath, const FileTime& lastWriteTime, const char* version);

// How long a candidate may take to print its banner before it is rejected.
enum { PROBE_TIMEOUT_MS = 5000 };
