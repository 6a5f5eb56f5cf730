// The launcher's ";"-separated lists (temp records, the search sequence,
// class-path entries, included-file names): one reader and one writer. An
// entry has no escape, so a ";" can never be part of one.
#pragma once
#include <cstddef>

// The next non-empty entry at or after *at: where it starts and its length;
// *at moves behind it. False when no entry is left.
bool nextListSpan(const char** at, const char** start, size_t* length);

// The same, copied into entry (cut between characters to cap).
bool nextListEntry(const char** at, char* entry, size_t cap);

// Appends path and ";" unless the path is empty, holds a ";" (it would read
// back as two other entries) or would make the list longer than cap - 1.
// The list is left unchanged then.
bool appendListEntry(char* list, size_t cap, const char* path);
