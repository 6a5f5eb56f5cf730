// The option list: an ordered, growable list of owned strings, for the VM
// options and the arguments of main. The strings live until the process
// ends; only the list's own storage is ever released.
#pragma once
#include <cstddef>

struct OptionList {
    char** items;
    size_t count;
    size_t capacity;
};

// Appends a copy of n bytes; false when memory ran out.
bool addOptionCopy(OptionList* list, const char* text, size_t n);
// Appends a string the list then owns.
bool addOwnedOption(OptionList* list, char* text);
void releaseOptionStorage(OptionList* list);

// A text that grows to fit, for the class path.
struct GrowText {
    char* data;
    size_t length;
    size_t capacity;
};

bool growAppend(GrowText* text, const char* src, size_t n);
bool growAppendText(GrowText* text, const char* src);
