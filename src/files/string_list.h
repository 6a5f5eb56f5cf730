// The launcher's one growable list of owned strings (VM options, words of
// main, temporary paths, version names), and a text that grows to fit.
#pragma once
#include <cstddef>

struct StringList {
    char** items;
    size_t count;
    size_t capacity;
};

// Appends a copy of n bytes; false when memory ran out.
bool addStringCopy(StringList* list, const char* text, size_t n);
bool addString(StringList* list, const char* text);
// Appends a string the list then owns; false (and the string freed) when
// memory ran out.
bool addOwnedString(StringList* list, char* text);
// Frees the list's storage but not its strings, which have been handed on
// (the VM keeps its options until the process ends).
void releaseListStorage(StringList* list);
// Frees the strings and the storage.
void freeStringList(StringList* list);

// A text that grows to fit, for the class path.
struct GrowText {
    char* data;
    size_t length;
    size_t capacity;
};

bool growAppend(GrowText* text, const char* src, size_t n);
bool growAppendText(GrowText* text, const char* src);
