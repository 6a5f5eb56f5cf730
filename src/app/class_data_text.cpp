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
    for (const char* word : {"-Xshare", "SharedArchiveFile", "ArchiveClassesAtExit", "AOTCache", "AOTMode",
                             "AOTConfiguration", "UseSharedSpaces", "AutoCreateSharedArchive", "-XX:Flags=",
                             "-XX:VMOptionsFile="})
        if (strstr(option, word)) return true;
    return false;
}

// A VM that writes an archive refuses to start beside an agent (a
// debugger's, a profiler's, a Java agent): such a start gets no archive of
// the launcher's.
bool namesAgent(const char* text) {
    for (const char* word : {"-agentlib:", "-agentpath:", "-javaagent:", "-Xrun"})
        if (strstr(text, word)) return true;
    return false;
}

bool escapedInUrl(const char* text) {
    for (const unsigned char* at = (const unsigned char*)text; *at; ++at)
        if (*at >= 0x80 || strchr(" %#\"<>[]^`{|}", *at)) return true;
    return false;
}

// Every option but those that change at each start (the comm file, the
// process's name) or that are hashed by their files (the class path): an
// archive is made under the options it is mapped under.
bool changesArchive(const char* option) {
    for (const char* own : {"-Dtarvo.commFile=", "-Dsun.java.command=", "-Djava.class.path="})
        if (strncmp(option, own, strlen(own)) == 0) return false;
    return true;
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
