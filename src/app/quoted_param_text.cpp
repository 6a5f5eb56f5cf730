#include "app/quoted_param_text.h"

#include <cstring>

#include "files/text.h"
#include "launcher/cmdline_text.h"

QuotedParamResult readQuotedParamText(const char* at, char* dst, size_t cap, const char** next) {
    *next = at;
    if (cap) dst[0] = '\0';
    const char* open = strchr(at, '\'');
    if (!open) return PARAM_NO_BEGIN;
    const char* close = strchr(open + 1, '\'');
    if (!close) return PARAM_NO_END;
    bool fits = copyChars(dst, cap, open + 1, (size_t)(close - open - 1));
    for (char* c = dst; *c; ++c)
        if (*c == QUOTE_STAND_IN) *c = '\'';
    *next = close + 1 + (close[1] == ' ' ? 1 : 0);
    return fits ? PARAM_OK : PARAM_TOO_LONG;
}
