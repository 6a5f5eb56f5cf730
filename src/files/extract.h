// Writing the files that a launcher carries as resources into a new folder
// of the temporary directory, for the child's class path.
#pragma once
#include <windows.h>

// Writes `count` files, named by the ";" list `names`, from the resources
// of `module`. destination (TEXT_CAP) receives the folder, or the empty text
// when there are none. Returns 0, or the code of message 1013 that tells why
// the files could not be written; the paths written so far, and the folder,
// are recorded for deletion first. With `hold` (an elevated start), each
// file is held without write or delete sharing, inherited by the child,
// once its bytes are checked to be the resource's.
int extractIncludedFiles(HMODULE module, int count, const char* names, char* destination, bool hold = false);

// A new folder <temp name>_dir in the temporary folder, recorded for
// deletion by the caller; false when none could be made.
bool makeExtractionFolder(char* folder);

// Writes one resource of `module` to `path`: 0, or the code of message 1013
// that tells why it could not.
// `asCopy`: a file of a copy that later starts trust: made new (never over
// one that is there, nor through a link) and flushed to the disk; with
// `keep`, its handle is left open there for the caller to flush and close.
int writeResourceFile(HMODULE module, const char* path, const char* resourceName, const char* resourceType,
                      bool asCopy = false, HANDLE* keep = nullptr);
