// Path rules that need no file system.
#pragma once
#include <cstddef>

// D:\x and \\host\share are absolute, also behind one leading double quote;
// everything else (x.jar, \x.jar, D:x.jar, D:/x.jar) counts as relative.
bool isRelativePath(const char* path);

// The program name of a command line, without its quotes, as the base of the
// launcher's own directory. False when a leading double quote never closes,
// or when the name does not fit.
bool programNameOfCommandLine(const char* cmdline, char* out, size_t cap);

// Cuts a full path just behind its last backslash; a path without one
// becomes empty.
void cutToDirectory(char* path);

// Replaces the letters A to Z by a to z and nothing else, whatever the
// locale, as the default C locale does.
void lowerAscii(char* text);
