// The launcher's one rule for splitting a text into words, and the other
// small parsers of the child's configuration.
#pragma once
#include <cstddef>

#include "files/string_list.h"

enum SplitResult { SPLIT_OK, SPLIT_WRONG_USAGE, SPLIT_NO_MEMORY };

// Appends the words of text to the list, while each begins with prefix (no
// prefix: all words). A run of blanks separates words, and blanks at either
// end add none. A word that begins with a quote (either kind, behind the
// prefix) runs to the matching quote, which ends it; '' is an empty word.
// Elsewhere a quote is an ordinary character of its word. A prefix with a
// blank behind it, or an unclosed quote, is wrong usage. *stop is where
// splitting stopped.
SplitResult splitArguments(const char* text, const char* prefix, StringList* list, const char** stop);

// The words of the user's command line (main's words and the -J words) as
// java.exe's C runtime splits them, and as Explorer, ProcessBuilder and
// CommandLineToArgvW quote them: blanks and tabs between words; a quote
// opens or closes a quoted run inside a word; 2n backslashes before a quote
// are n, 2n + 1 are n and a quote; "" inside a quoted run is a quote; other
// backslashes are themselves. Takes words while they begin with prefix
// (removed); the prefix alone, with nothing behind it, is wrong usage. At
// most `most` words. *stop is where the first word not taken begins.
SplitResult splitCommandLine(const char* text, const char* prefix, StringList* list, const char** stop,
                             size_t most = (size_t)-1);

// The next class-path entry of a ";"-separated list: kind letter, required
// flag and name. Entries too short to hold a kind and a flag are skipped.
bool nextClassPathEntry(const char** at, char* kind, bool* required, char* name, size_t cap);

// The thread stack size an option sets, as the JDK's launcher reads -Xss: a
// number of bytes with an optional k, m, g or t (either case). False for
// any other option, or a size that is malformed or beyond 4 GB.
bool stackSizeOption(const char* option, unsigned long long* bytes);

// com.example.Main becomes com/example/Main, in place.
void mainClassToInternalName(char* name);
