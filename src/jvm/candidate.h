// Accepting or rejecting one proposed java.exe.
#pragma once
#include <cstdint>

#include "files/paths.h"
#include "files/text.h"

// Rewrites javaPath (TEXT_CAP) to its canonical form and, when configured,
// to the javaw.exe beside it; true when the candidate is accepted.
bool checkJvmCandidate(char* javaPath, const char* minVersion, const char* maxVersion);
bool probeJavaVersion(const char* javaPath, char* version);
// The version a Java home states in its release file, without a process.
bool releaseVersion(const char* javaPath, char* version);
bool readCachedVersion(const char* javaPath, const FileTime& lastWriteTime, char* version);
void writeCachedVersion(const char* javaPath, const FileTime& lastWriteTime, const char* version);

// How long a candidate may take to print its banner before it is rejected.
enum { PROBE_TIMEOUT_MS = 15000 };

// The machine this launcher's code is built for (an image machine field).
uint16_t ownMachine();

// The first candidate of this search that was turned away only because its
// VM library is built for another machine than this process, so the user
// can be told why the Java on the machine does not count.
struct ForeignJava {
    uint16_t machine;
    char home[TEXT_CAP];
    char version[TEXT_CAP];
};
// The version of the Java the search accepted; empty before one is.
const char* acceptedJavaVersion();

// Null while no such candidate was seen.
const ForeignJava* foreignJavaSeen();

struct SearchReport;
// Where the next candidates come from, for the report: the search letter
// and its argument, e.g. "E JAVA_HOME".
void setSearchSource(const char* source);
// A Java that an installer's key names by a version outside the bounds:
// passed over by its key's name, unprobed, and told in the report.
void passOverByKeyName(const char* javaPath, const char* version, const char* minVersion);
// Every candidate considered so far, with its verdict.
const SearchReport* searchReport();
