// The text of a temp record: full paths, each followed by ";", no escape.
#pragma once
#include <cstddef>

// Appends path and ";" unless the path is empty, holds a ";" (it would read
// back as two other paths) or would make the record longer than cap - 1.
// The record is left unchanged then.
bool appendRecordEntry(char* record, size_t cap, const char* path);

// Copies the next non-empty entry at or after *at into entry and moves *at
// behind it; false when no entry is left. An entry longer than cap is cut.
bool nextRecordEntry(const char** at, char* entry, size_t cap);
