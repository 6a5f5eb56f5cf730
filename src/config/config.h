// Reading the configuration string table of the executable itself.
#pragma once
#include <cstddef>
#include <cstdint>

// Every string the launcher reads, by its name in the one table of the
// configuration; the readers take nothing else, so a number that the table
// lacks cannot be read.
enum ConfigId : unsigned {
#define CONFIG_STRING(name, number, key, kind, example, fresh) name = number,
#include "config_table.inc"
#undef CONFIG_STRING
};

// Loads string `id` into `buf`; an absent string reads as the empty text and
// a longer one is cut to cap - 1 characters. Returns the length read.
size_t configString(ConfigId id, char* buf, size_t cap);
// The same as UTF-16, for what is shown on screen as it was written.
size_t configStringWide(ConfigId id, wchar_t* buf, size_t cap);
int configInt(ConfigId id);
// The product's name for the user's messages: string 101, or, where a
// project has none, the executable's file name without its extension.
size_t productName(char* buf, size_t cap);
uint32_t configColour(ConfigId id);
