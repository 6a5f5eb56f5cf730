#include "jvm/search_text.h"

#include <cstdlib>
#include <cstring>

#include "files/text.h"

bool nextSearchEntry(const char** at, char* letter, char* argument, size_t cap) {
    const char* p = *at;
    while (*p == ';') ++p;
    if (!*p) {
        *at = p;
        return false;
    }
    const char* end = strchr(p, ';');
    if (!end) end = p + strlen(p);
    *letter = *p;
    copyChars(argument, cap, p + 1, (size_t)(end - p - 1));
    *at = end;
    return true;
}

const char* flavourJavaVariable(char flavour) {
    if (flavour == 't') return "TARVO_JAVA_HOME";
    if (flavour == 's') return "SELVADRIN_JAVA_HOME";
    return nullptr;
}

bool cacheKeyName(char* dst, size_t cap, const char* javaPath) {
    bool fits = copyText(dst, cap, "SOFTWARE\\brannoc\\tarvo\\jvms\\");
    size_t start = strlen(dst);
    fits = appendText(dst, cap, javaPath) && fits;
    for (char* c = dst + start; *c; ++c)
        if (*c == '\\') *c = '/';
    return fits;
}

static bool endsWith(const char* text, const char* tail) {
    size_t lt = strlen(text), ln = strlen(tail);
    return lt >= ln && strcmp(text + lt - ln, tail) == 0;
}

void jvmDirectoryOf(char* dst, size_t cap, const char* javaPath) {
    size_t len = strlen(javaPath);
    size_t cut = endsWith(javaPath, "javaw.exe") ? 9 : 8;
    copyChars(dst, cap, javaPath, len >= cut ? len - cut : 0);
}

static int compareNames(const void* a, const void* b) {
    return strcmp(*(char* const*)a, *(char* const*)b);
}

void sortVersionNames(char** names, size_t count) {
    if (count > 1) qsort(names, count, sizeof *names, compareNames);
}
