// Reading the configuration string table of the executable itself.
#pragma once
#include <cstddef>
#include <cstdint>

// Loads string `id` into `buf`; an absent string reads as the empty text and
// a longer one is cut to cap - 1 characters. Returns the length read.
size_t configString(unsigned id, char* buf, size_t cap);
// The same as UTF-16, for what is shown on screen as it was written.
size_t configStringWide(unsigned id, wchar_t* buf, size_t cap);
int configInt(unsigned id);
uint32_t configColour(unsigned id);
