// What the stand-ins read whole: their scripts.
#pragma once
#include <windows.h>

#include <string>

// Appends the rest of an open file to `text` and closes it; false for a file
// that could not be opened.
inline bool readToEnd(HANDLE f, std::string* text) {
    if (f == INVALID_HANDLE_VALUE) return false;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(f, chunk, sizeof chunk, &got, nullptr) && got) text->append(chunk, got);
    CloseHandle(f);
    return true;
}
