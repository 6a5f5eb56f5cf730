// Reading the single-quoted parameters of the child-mode line back.
#pragma once
#include <cstddef>

enum QuotedParamResult { PARAM_OK, PARAM_NO_BEGIN, PARAM_NO_END, PARAM_TOO_LONG };

// Reads the value between the first single quote at or after `at` and the
// next one into dst, turning the parent's quote stand-ins back into quotes.
// *next is the position behind the closing quote and one blank after it.
QuotedParamResult readQuotedParamText(const char* at, char* dst, size_t cap, const char** next);
