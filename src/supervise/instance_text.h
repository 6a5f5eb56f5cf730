// The single instance's name and the hand-over's bytes: a second start sends
// its working folder and its words to the running instance as UTF-16 items,
// each a little-endian 32-bit count of units and then the units.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/string_list.h"

enum { HAND_OVER_MAX = 65536, INSTANCE_KEY_CAP = 32 };

// "tarvo-" and 16 hex digits of a hash of the program's path (in the case
// its caller chose), the user's SID and the session: the same program of the
// same user in the same session, and no other, finds the same name.
void instanceKey(const char* programPath, const char* userSid, unsigned long session, char* dst, size_t cap);

// The folder, then the words; 0 when they do not fit in cap (at most
// HAND_OVER_MAX) or are not UTF-8.
size_t encodeHandOver(const char* folder, const StringList* words, unsigned char* dst, size_t cap);
// Back into UTF-8 strings, the folder first; false for bytes that are not a
// whole hand-over (the list then holds what was read).
bool decodeHandOver(const unsigned char* bytes, size_t length, StringList* items);
