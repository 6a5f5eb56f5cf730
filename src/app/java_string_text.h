// Java's modified UTF-8, the form NewStringUTF reads: characters beyond the
// first 65,536 as two 3-byte surrogates, a zero character as C0 80, and
// bytes that are no UTF-8 as U+FFFD.
#pragma once
#include <cstddef>

// The bytes that the converted text takes, without its terminator.
size_t modifiedUtf8Size(const char* utf8);
// Converts into out (cap bytes); false when it had to be cut, which never
// happens with modifiedUtf8Size() + 1 bytes.
bool toModifiedUtf8(const char* utf8, char* out, size_t cap);

// The other way, for a text that Java gives back (GetStringUTFChars): a
// surrogate pair becomes one character, a zero character a blank, and bytes
// that are neither U+FFFD. Cut between characters to cap.
void fromModifiedUtf8(const char* modified, char* out, size_t cap);
