#pragma once
#include <cstddef>

// Replaces the first occurrence of placeholder in text by value, within cap
// bytes; the value is not searched again. A composed text that would not
// fit is cut at the capacity. Returns false when it had to be cut.
bool substitutePlaceholder(char* text, size_t cap, const char* placeholder, const char* value);
