// Path rules that need no file system.
#pragma once
#include <cstddef>

// D:\x and \\host\share are absolute, also behind one leading double quote;
// everything else (x.jar, \x.jar, D:x.jar, D:/x.jar) counts as relative.
bool isRelativePath(const char* path);

// Cuts a full path just behind its last backslash; a path without one
// becomes empty.
void cutToDirectory(char* path);

// Replaces the letters A to Z by a to z and nothing else, whatever the
// locale, as the default C locale does.
void lowerAscii(char* text);

// A name that stays inside the folder it is joined to: not empty, not "."
// or "..", and without "\", "/" or ":" (so no folder part, drive or stream).
bool isPlainFileName(const char* name);

// Whether a file name ends in "." and the extension, letters of A to Z in
// either case; a short-name match such as x.jarold does not.
bool hasExtension(const char* name, const char* extension);
