// Path rules that need no file system.
#pragma once
#include <cstddef>

// D:\x and \\host\share are absolute, also behind one leading double quote,
// and so are D:/x and //host/share, since Windows takes / for \; everything
// else (x.jar, \x.jar, D:x.jar) counts as relative.
bool isRelativePath(const char* path);

// Cuts a full path just behind its last backslash; a path without one
// becomes empty.
void cutToDirectory(char* path);

// Replaces the letters A to Z by a to z and nothing else, whatever the
// locale, as the default C locale does.
void lowerAscii(char* text);

// A name that Windows holds as a file of its own inside the folder it is
// joined to: not empty, not "." or "..", none of < > : " / \ | ? * or a
// control character (so no folder part, drive or stream), no trailing dot
// or blank (Windows drops them), and no device name such as NUL, AUX.JAR or
// com1.txt.
bool isPlainFileName(const char* name);
// Whether two names are the same file for Windows: equal but for the case
// of A to Z.
bool sameFileName(const char* a, const char* b);

// Whether a temp record's entry is one that a launcher of this user made:
// inside tempDir (with its trailing backslash), a tvo*.tmp file, a
// tvo*.tmp_dir folder, or a plain file directly inside such a folder.
bool isOwnTempEntry(const char* entry, const char* tempDir);

// The path with "-n" before the extension of its file name (error.log,
// error-2.log, error-3.log); n of 1 is the path itself. False when it does
// not fit.
bool numberedFileName(const char* path, unsigned long n, char* dst, size_t cap);

// Whether a file name ends in "." and the extension, letters of A to Z in
// either case; a short-name match such as x.jarold does not.
bool hasExtension(const char* name, const char* extension);
