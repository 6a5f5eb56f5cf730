#include "app/class_data_text.h"

#include <cstring>

#include "files/bytes_text.h"
#include "files/text.h"

SharingKind sharingKind(unsigned javaFeature, bool vm64, bool hasJavaExe) {
    // A 32-bit VM maps no archive of its own classes worth the trouble.
    if (!vm64 || javaFeature < 13) return SHARING_NONE;
    if (javaFeature >= 25 && hasJavaExe) return SHARING_AOT;
    return javaFeature >= 19 ? SHARING_AUTO : SHARING_AT_EXIT;
}

bool namesSharing(const char* option) {
    for (const char* word : {"-Xshare", "SharedArchiveFile", "ArchiveClassesAtExit", "AOTCache", "AOTMode"})
        if (strstr(option, word)) return true;
    return false;
}

// By their beginnings: the heap's layout, the collector, the modules and
// the agents that may change the classes.
bool changesArchive(const char* option) {
    static const char* const BEGINNINGS[] = {
        "-XX:+UseCompressedOops", "-XX:-UseCompressedOops", "-XX:+UseCompressedClassPointers",
        "-XX:-UseCompressedClassPointers", "-XX:ObjectAlignmentInBytes", "--module-path", "-p ", "--add-modules",
        "--upgrade-module-path", "--patch-module", "--limit-modules", "-javaagent:", "-agentlib:", "-agentpath:",
        "-Xbootclasspath",
    };
    for (const char* beginning : BEGINNINGS)
        if (strncmp(option, beginning, strlen(beginning)) == 0) return true;
    // The collectors: -XX:+UseG1GC, -XX:+UseParallelGC, ...
    size_t n = strlen(option);
    return strncmp(option, "-XX:+Use", 8) == 0 && n > 10 && strcmp(option + n - 2, "GC") == 0;
}

void archiveName(uint64_t hash, SharingKind kind, char* dst, size_t cap) {
    char hex[17];
    hex64(hash, hex);
    copyText(dst, cap, hex);
    appendText(dst, cap, kind == SHARING_AOT ? ".aot" : ".jsa");
}

bool isArchiveName(const char* name) {
    if (strlen(name) != 20 || (strcmp(name + 16, ".jsa") != 0 && strcmp(name + 16, ".aot") != 0)) return false;
    for (int i = 0; i < 16; ++i)
        if (!strchr("0123456789abcdef", name[i])) return false;
    return true;
}

static bool addJoined(StringList* options, const char* head, const char* path) {
    char option[TEXT_CAP];
    copyText(option, sizeof option, head);
    return appendText(option, sizeof option, path) && addString(options, option);
}

bool addSharingOptions(SharingKind kind, const char* path, bool exists, StringList* options) {
    switch (kind) {
        case SHARING_AUTO:
            return addString(options, "-XX:+AutoCreateSharedArchive") &&
                   addJoined(options, "-XX:SharedArchiveFile=", path);
        case SHARING_AT_EXIT:
            return addJoined(options, exists ? "-XX:SharedArchiveFile=" : "-XX:ArchiveClassesAtExit=", path);
        case SHARING_AOT: return addJoined(options, exists ? "-XX:AOTCache=" : "-XX:AOTCacheOutput=", path);
        case SHARING_NONE: return true;
    }
    return true;
}
