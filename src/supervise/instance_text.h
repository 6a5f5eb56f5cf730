// The single instance's name and the hand-over's bytes: a second start sends
// its working folder and its words to the running instance as UTF-16 items,
// each a little-endian 32-bit count of units and then the units.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/string_list.h"

enum { HAND_OVER_MAX = 65536, INSTANCE_KEY_CAP = 32 };

// "tarvo-" and 16 hex digits of a hash of the program's path (in the case
// its caller chose), the user's SID, the session and whether the process is
// elevated: the same program of the same user in the same session at the
// same level, and no other, finds the same name.
void instanceKey(const char* programPath, const char* userSid, unsigned long session, bool elevated, char* dst,
                 size_t cap);

// The folder, then the words in their order; a word that does not fit in
// cap (at most HAND_OVER_MAX) is left out and counted in *dropped, and later
// ones that fit still go. 0 when the folder alone does not fit, or a text is
// not UTF-8.
size_t encodeHandOver(const char* folder, const StringList* words, unsigned char* dst, size_t cap, size_t* dropped);
// Back into UTF-8 strings, the folder first; false for bytes that are not a
// whole hand-over (the list then holds what was read).
bool decodeHandOver(const unsigned char* bytes, size_t length, StringList* items);

// Appends a blank and the word, quoted where needed, so that the C runtime
// splits it back into the same word: how a hand-over that its instance
// could not deliver becomes a start of its own. False when it did not fit.
bool appendCommandLineWord(char* dst, size_t cap, const char* word);
