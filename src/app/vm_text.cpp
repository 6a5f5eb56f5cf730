#include "app/vm_text.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "app/java_string_text.h"
#include "errors/fail.h"
#include "files/text.h"
#include "files/wide.h"

static char* toCodePage(const char* utf8, bool lossy) {
    if (GetACP() == CP_UTF8) return strdup(utf8);
    wchar_t* wide = allocWide(utf8);
    if (!wide) return nullptr;
    BOOL lost = FALSE;
    int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lost);
    char* out = size > 0 && (lossy || !lost) ? (char*)malloc((size_t)size) : nullptr;
    if (out && WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, size, nullptr, &lost) <= 0) {
        free(out);
        out = nullptr;
    }
    free(wide);
    return out;
}

char* vmText(const char* utf8) { return toCodePage(utf8, false); }
char* vmTextLossy(const char* utf8) { return toCodePage(utf8, true); }

void appendVmPath(GrowText* out, const char* path) {
    char* text = toCodePage(path, false);
    if (!text) {
        char alias[TEXT_CAP];
        if (shortPath(path, alias, sizeof alias)) text = toCodePage(alias, false);
    }
    if (!text) failWithMessage(MSG_PATH_NOT_PASSABLE, "%FILE_NAME%", path);
    bool ok = growAppendText(out, text);
    free(text);
    if (!ok) failWithMessage(MSG_OUT_OF_MEMORY);
}

char* javaStringText(const char* utf8) {
    size_t size = modifiedUtf8Size(utf8);
    char* out = (char*)malloc(size + 1);
    if (out) toModifiedUtf8(utf8, out, size + 1);
    return out;
}
