#pragma once
#include <cstddef>

// Replaces the first occurrence of placeholder in text by value, within cap
// bytes; the value is not searched again. A composed text that would not
// fit is cut at the capacity. Returns false when it had to be cut.
bool substitutePlaceholder(char* text, size_t cap, const char* placeholder, const char* value);
// Every occurrence, within cap bytes (and TEXT_CAP); the same cut.
bool substituteEvery(char* text, size_t cap, const char* placeholder, const char* value);
// Every occurrence of a placeholder that stands for a machine's words
// ("64-bit", "ARM64", "x64"), with "a" before it made "an" where they need
// it.
bool substituteMachineWords(char* text, size_t cap, const char* placeholder, const char* words);
// A configured message's words for the product: %NAME%, %MIN_VERSION% and
// %NEEDED_BITS% wherever they stand; without a lower bound the phrase
// " %MIN_VERSION% or newer" is left out whole.
bool fillProductWords(char* text, size_t cap, const char* name, const char* minVersion, const char* neededBits);
