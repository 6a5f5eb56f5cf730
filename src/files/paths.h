// Path and file-name functions over the file system. Buffers are TEXT_CAP
// bytes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/path_text.h"

struct FileTime {
    uint32_t low;
    uint32_t high;
};

// The exe directory, with its trailing backslash, or the empty text when the
// command line gives no usable program name.
const char* exeDirectory();
void resolveFromExeDir(char* dst, const char* path);
// The full path resolved from the exe directory, in lower case: the form
// the class path and the version cache compare.
void canonicalLowerPath(char* dst, const char* path);
bool pathExists(const char* path, FileTime* lastWriteTime = nullptr);
// Reads up to cap bytes from the start of a file; 0 when it cannot be read.
size_t readFileStart(const char* path, void* buf, size_t cap);
// Reads the first maxBytes of a file, or all of a smaller one, into a fresh
// allocation with a zero byte behind; nullptr when it cannot be read.
char* readFileAlloc(const char* path, size_t maxBytes, size_t* length);
// Whether the path is a link or junction (by its own attributes, not its
// target's).
bool isLink(const char* path);
// A folder held open without delete sharing, so that nothing can rename it
// and put a link in its place while it is held; never through a link.
// INVALID_HANDLE_VALUE where it cannot be opened.
void* holdFolderOpen(const char* path);
// Deletes a folder and all below it that can be deleted; links are
// deleted, never followed.
// With `within` (a real path, as realPathOf gives it), only where the folder
// really lies below it, whatever link a name on the way passes through.
void removeTree(const char* folder, const char* within = nullptr);
// Deletes a file through one handle held from the check to the delete: only
// one that no one has open, that is no link, and that really lies below
// `within`.
bool deleteFileWithin(const char* path, const char* within);
// Creates a new empty temporary file; dst is empty when none could be made.
void makeTempFile(char* dst);

// The user's processes without elevation may write to the user's folders:
// a start elevated above them loads nothing from there whose bytes it has
// not checked. False where the user has only one kind of token (no UAC,
// the built-in administrator): there is no such process to fear.
bool runsElevated();
// The process that made this one, by the system's record; 0 where unknown.
unsigned long parentProcessId();
