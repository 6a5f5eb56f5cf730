// Where HotSpot writes the report of a crash: the name that -XX:ErrorFile
// gives, with the process's number for "%p".
#pragma once
#include <cstddef>

// "%p" becomes the number and "%%" one "%"; any other "%" stays as written,
// as the VM expands it. False where the name does not fit.
bool expandErrorFileName(const char* pattern, unsigned long pid, char* dst, size_t cap);
