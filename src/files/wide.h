// The launcher's text is UTF-8; Windows takes UTF-16. Every call that takes
// or gives text at the Win32 boundary goes through these, so that any path
// or argument, whatever the code page, arrives whole.
#pragma once
#include <windows.h>

#include <cstddef>

#include "files/text.h"

// False when the text is not whole in the output (too long, or not UTF-8);
// the output is then empty.
bool toWide(const char* utf8, wchar_t* out, size_t cap);
// Cut between characters where it does not fit; false then.
bool toUtf8(const wchar_t* wide, char* out, size_t cap);
// A text in the process's ANSI code page (what a VM prints) as UTF-8, cut
// between characters where it does not fit.
void codePageToUtf8(const char* text, char* out, size_t cap);
// The length in UTF-16 units that a UTF-8 text takes; 0 for invalid text.
size_t wideLength(const char* utf8);
// Converted copies of any length in fresh allocations, terminated; nullptr
// when memory runs out. `length` in UTF-16 units, or -1 for a terminated text.
char* allocUtf8(const wchar_t* wide, int length = -1);
wchar_t* allocWide(const char* utf8);

// A path or name converted for one call; `ok` false when it could not be.
struct WidePath {
    wchar_t text[TEXT_CAP];
    bool ok;
    explicit WidePath(const char* utf8) : ok(toWide(utf8, text, TEXT_CAP)) {}
};

// The command line of this process, UTF-8, made once.
const char* commandLineUtf8();
// This program's own full path.
bool ownProgramPath(char* dst, size_t cap);
// The same in quotes, as a command line's first word: never the line this
// process was given, which an unquoted start would cut at its first blank.
bool quotedOwnProgramPath(char* dst, size_t cap);
// This program's file name without its folder and extension ("orvan").
bool ownBaseName(char* dst, size_t cap);

HANDLE openFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL);
bool deleteFile(const char* path);
// GetFileAttributes; INVALID_FILE_ATTRIBUTES when it cannot be had.
DWORD fileAttributes(const char* path);
// Appends the text to the end of a file that others may be writing too.
bool appendToFile(const char* path, const char* text);
bool createDirectory(const char* path);
bool removeDirectory(const char* path);
// MoveFileEx without copying: a rename within one volume.
bool renamePath(const char* from, const char* to);
// GetFullPathName; false when the result does not fit.
bool fullPath(const char* path, char* dst, size_t cap);
bool searchPath(const char* fileName, char* dst, size_t cap);
// The same through the given ";"-separated folders only.
bool searchPathIn(const char* folders, const char* fileName, char* dst, size_t cap);
bool tempPath(char* dst, size_t cap);
bool tempFileName(const char* dir, const char* prefix, char* dst, size_t cap);
bool shortPath(const char* path, char* dst, size_t cap);
// The real path of an open file or folder, as the system resolves it (links
// and short names undone), without the "\\?\" prefix; false where it
// cannot tell.
bool realPathOf(void* handle, char* dst, size_t cap);
// Where a path that is a symbolic link (or another reparse point) leads;
// false for any other path, or when it cannot be followed.
bool linkTarget(const char* path, char* dst, size_t cap);

struct FoundFile {
    char name[TEXT_CAP];
    FILETIME lastWrite;
    DWORD attributes;
    unsigned long long size;
};
// FindFirstFile and FindNextFile; INVALID_HANDLE_VALUE or false at the end.
HANDLE findFirstFile(const char* pattern, FoundFile* found);
bool findNextFile(HANDLE search, FoundFile* found);

// The variable's value, allocated; nullptr when it is not set.
char* environmentValue(const char* name);
// Into a buffer; false when it is not set or does not fit.
bool environmentValue(const char* name, char* dst, size_t cap);

HMODULE loadLibrary(const char* path);
// A library whose imports come from its own folder, the DLL directory and
// the system folder alone, never from the program's folder, where anyone
// who can write there may have put a DLL of the same name.
HMODULE loadLibraryAlone(const char* path);
bool setDllDirectory(const char* path);
// From now on, every load by bare name and every import of a library
// loaded by its path (the VM's own, the application's JNI libraries) looks
// in the system folder and the folders allowed here alone: never beside the
// launcher or in the current folder, which anyone may share (Downloads).
// `directory` is the first such folder. False on a Windows 7 without the
// update that knows it; the DLL directory then stands in.
bool restrictDllSearch(const char* directory);
// One more folder for that search, by its full path.
bool allowDllFolder(const char* directory);

BOOL createProcess(const char* program, const char* commandLine, BOOL inherit, DWORD flags, const char* directory,
                   STARTUPINFOW* si, PROCESS_INFORMATION* pi);
int messageBox(const char* text, const char* caption, UINT flags);
// The text and a line end on standard error.
void printToStandardError(const char* text);
