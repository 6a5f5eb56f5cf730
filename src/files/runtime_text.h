// The index of a runtime the launcher carries: one line for each file,
// "<size> <path>\n", the path relative to the runtime's folder with
// backslashes. The launcher writes the same text as the mark of a whole copy.
#pragma once
#include <cstddef>

#include "files/string_list.h"

// The next entry from *at, before end; false at the end, or at a line that
// is no entry (a malformed size, a path that does not fit or that would
// leave the folder), which ends the index as damaged.
enum RuntimeEntry { ENTRY_OK, ENTRY_END, ENTRY_BAD };
RuntimeEntry nextRuntimeEntry(const char** at, const char* end, unsigned long long* size, char* path, size_t cap);

// The index's paths, in lower case and sorted, for indexLists: false where
// the index is damaged or memory ran out.
bool indexNames(const char* index, size_t length, StringList* names);
// Whether the names list `relative` (in any case, as the file system
// compares): as a file, or, with `folder`, as a folder that holds a listed
// file. A search, not a scan: a runtime has hundreds of files.
bool indexLists(const StringList* names, const char* relative, bool folder);

// A relative path of plain file names between backslashes.
bool isPlainRelativePath(const char* path);

// The folder's name for a runtime: its hash's first 16 hex digits.
bool runtimeFolderName(const char* hash, char* dst, size_t cap);

// What the launcher made a folder below its copies' root for, by its name:
// a copy (its 16 lowercase hex digits), a copy being made
// ("<digits>.partial-<process>"), or one set aside to be deleted (".old-",
// ".gone-"). Any other name is not the launcher's, and is never touched.
enum CopyFolder { COPY_NOT_OURS, COPY_WHOLE, COPY_UNFINISHED, COPY_SET_ASIDE };
CopyFolder copyFolderKind(const char* name);
