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

// A second start sends, behind its folder, the number of its VM options (its
// -J words, without the -J), those options and then main's words. This
// moves the options into `options` (empty before), leaving the folder and
// main's words; false where the count is not a number of the items there.
bool takeHandOverOptions(StringList* items, StringList* options);

// The word that begins a start again of a hand-over that its instance could
// not deliver: "__tarvo_again '<n>' ", then n VM options as -J words and
// then main's words, none of which is taken for an option or for the
// child-mode word, however it begins.
extern const char AGAIN_WORD[];
// The text behind the word and its count, with the count in *optionCount;
// null for any other tail.
const char* againTail(const char* tail, unsigned long* optionCount);
// Appends that start's words to dst (the program's quoted path): the word,
// the count, the options and as many of main's words (items 1 on) as fit,
// counting the others in *dropped. False where the options do not fit.
bool appendAgainWords(char* dst, size_t cap, const StringList* options, const StringList* items, size_t* dropped);
