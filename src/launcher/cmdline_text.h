// The command lines of the two processes: what the parent reads of its own,
// and the child-mode line that it writes for the child.
#pragma once
#include <cstddef>

// The first word of the argument tail that selects child mode; only its 17
// characters are compared.
extern const char CHILD_MODE_WORD[];
enum { CHILD_MODE_WORD_LEN = 17 };

// A single quote cannot travel inside the single-quoted parameters of the
// child-mode line, so the parent writes this character, which no Windows path
// can hold, in its place and the child turns it back.
enum { QUOTE_STAND_IN = '*' };

// Behind leading blanks and tabs, the program name (a leading double quote
// runs to the next one or to the end) and the blanks and tabs after it.
const char* argumentTail(const char* cmdline);

bool isChildModeTail(const char* tail);

// Writes own path, " __tarvo_load_appl '<comm file>' '<extraction dir>' <tail>"
// into dst. False, with dst untouched beyond cap, when it does not fit.
bool composeChildCommandLine(char* dst, size_t cap, const char* ownPath, size_t ownPathLen, const char* commFile,
                             const char* extractDir, const char* tail);
size_t childCommandLineLength(size_t ownPathLen, const char* commFile, const char* extractDir, const char* tail);

enum QuotedParamResult { PARAM_OK, PARAM_NO_BEGIN, PARAM_NO_END, PARAM_TOO_LONG };

// Reads the value between the first single quote at or after `at` and the
// next one into dst, turning the parent's quote stand-ins back into quotes.
// *next is the position behind the closing quote and one blank after it.
QuotedParamResult readQuotedParamText(const char* at, char* dst, size_t cap, const char** next);
