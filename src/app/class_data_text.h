// Class-data sharing that the launcher manages: which options a Java takes
// for an archive of the application's classes, which of the VM's options
// change what such an archive may hold, and the archive's name.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/string_list.h"

enum SharingKind {
    SHARING_NONE,
    SHARING_AT_EXIT,  // 13 to 18: written at the first start's exit, then mapped
    SHARING_AUTO,     // 19 and later: created and refreshed by the VM itself
    SHARING_AOT,      // 25 and later with its java.exe: the ahead-of-time cache
};

SharingKind sharingKind(unsigned javaFeature, bool vm64, bool hasJavaExe);

// An option by which a layer (product, files, user, the VM's own variables)
// manages sharing itself, or may: the launcher then adds none.
bool namesSharing(const char* option);
// An option (or a variable's options) that loads an agent, beside which
// no archive is written.
bool namesAgent(const char* text);
// A text with a character that a file's URL escapes (a blank, a
// non-ASCII letter).
bool escapedInUrl(const char* text);
// An option that an archive depends on: another one means another archive.
bool changesArchive(const char* option);

// "<16 hex digits of hash>.jsa", or ".aot" for the cache; and whether a
// file name is one of these (so that only they are ever deleted).
void archiveName(uint64_t hash, SharingKind kind, char* dst, size_t cap);
bool isArchiveName(const char* name);

// The options for the archive at `path`, which exists or not; false when
// memory ran out.
bool addSharingOptions(SharingKind kind, const char* path, bool exists, StringList* options);
