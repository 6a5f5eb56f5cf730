#include "launcher/cmdline_text.h"

#include <cstring>

#include "files/text.h"

const char CHILD_MODE_WORD[] = "__tarvo_load_appl";

static const char* skipBlanksAndTabs(const char* at) {
    while (*at == ' ' || *at == '\t') ++at;
    return at;
}

const char* argumentTail(const char* cmdline) {
    const char* at = skipBlanksAndTabs(cmdline);
    if (*at == '"') {
        const char* close = strchr(at + 1, '"');
        at = close ? close + 1 : at + strlen(at);
    } else {
        while (*at && *at != ' ' && *at != '\t') ++at;
    }
    return skipBlanksAndTabs(at);
}

bool isChildModeTail(const char* tail) { return strncmp(tail, CHILD_MODE_WORD, CHILD_MODE_WORD_LEN) == 0; }

size_t childCommandLineLength(size_t ownPathLen, const char* commFile, const char* extractDir, const char* tail) {
    // " " word " '" comm "' '" dir "' " tail
    return ownPathLen + 1 + CHILD_MODE_WORD_LEN + 2 + strlen(commFile) + 3 + strlen(extractDir) + 2 + strlen(tail);
}

static void appendQuotedParam(char* dst, size_t cap, const char* value) {
    appendText(dst, cap, "'");
    size_t start = strlen(dst);
    appendText(dst, cap, value);
    for (char* at = dst + start; *at; ++at)
        if (*at == '\'') *at = QUOTE_STAND_IN;
    appendText(dst, cap, "'");
}

bool composeChildCommandLine(char* dst, size_t cap, const char* ownPath, size_t ownPathLen, const char* commFile,
                             const char* extractDir, const char* tail) {
    if (childCommandLineLength(ownPathLen, commFile, extractDir, tail) + 1 > cap) return false;
    copyChars(dst, cap, ownPath, ownPathLen);
    appendText(dst, cap, " ");
    appendText(dst, cap, CHILD_MODE_WORD);
    appendText(dst, cap, " ");
    appendQuotedParam(dst, cap, commFile);
    appendText(dst, cap, " ");
    appendQuotedParam(dst, cap, extractDir);
    appendText(dst, cap, " ");
    appendText(dst, cap, tail);
    return true;
}

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
