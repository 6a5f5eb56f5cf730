// What the search for a Java considered and why it turned each one away,
// kept in a small bounded list and told to the user below a failure
// message, a line a candidate.
#pragma once
#include <cstddef>
#include <cstdint>

enum Verdict {
    VERDICT_ACCEPTED,
    VERDICT_MISSING,        // no java.exe where the source pointed
    VERDICT_NO_VERSION,     // no release file, and no banner in time
    VERDICT_TOO_OLD,
    VERDICT_TOO_NEW,
    VERDICT_WRONG_BITNESS,
    VERDICT_NO_JAVAW,
    VERDICT_NO_JVM_DLL,     // nothing to load beside it (a link, a half-removed Java)
};

enum VersionOrigin { ORIGIN_NONE, ORIGIN_CACHE, ORIGIN_RELEASE, ORIGIN_PROBE, ORIGIN_KEY_NAME };

enum { REPORT_ENTRIES = 12, REPORT_TEXT = 512, REPORT_SHOWN = 10 };

struct SearchEntry {
    char source[REPORT_TEXT];    // "E JAVA_HOME", "Y SOFTWARE\JavaSoft\...", "S PATH"
    char javaPath[REPORT_TEXT];
    char version[64];
    VersionOrigin origin;
    Verdict verdict;
    uint16_t machine;            // for a wrong bitness: what the Java is built for
};

struct SearchReport {
    SearchEntry entries[REPORT_ENTRIES];
    int count;
    int dropped;  // considered beyond the list's room
};

// Copies the entry in, each text cut between characters; counts it as
// dropped when the list is full.
void addSearchEntry(SearchReport* report, const SearchEntry& entry);

// One line for the user, e.g. "Java 1.6.0_45 in C:\Java\jre6\ — older than 1.8".
// `ownMachine` is the machine of the Java this program needs.
void searchEntryLine(const SearchEntry& entry, const char* minVersion, const char* maxVersion, uint16_t ownMachine,
                     char* dst, size_t cap);
// The lines of the whole report, at most REPORT_SHOWN and a last one that
// counts the rest; empty when nothing was considered.
void searchReportText(const SearchReport* report, const char* minVersion, const char* maxVersion,
                      uint16_t ownMachine, char* dst, size_t cap);
// Whether every Java the search considered was turned away only for its
// bitness or its version (a place without a java.exe is no Java), with at
// least one such Java and none beyond the list's room.
bool onlyUnsuitableJavas(const SearchReport* report);
// The verdict's and origin's words for the trace.
const char* verdictWords(Verdict verdict);
const char* originWords(VersionOrigin origin);
