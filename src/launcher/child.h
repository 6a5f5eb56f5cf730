// The child entry of the AppLoader unit.
#pragma once
#include <cstddef>

void runChildMode(const char* tail);
const char* readQuotedParam(const char* at, char* dst, size_t cap);
