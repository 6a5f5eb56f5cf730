#include "jvm/search_text.h"

#include <cstdlib>
#include <cstring>

#include "errors/message_text.h"
#include "files/list_text.h"
#include "files/text.h"
#include "files/version_text.h"

bool nextSearchEntry(const char** at, char* letter, char* argument, size_t cap) {
    const char* start;
    size_t length;
    if (!nextListSpan(at, &start, &length)) return false;
    *letter = *start;
    copyChars(argument, cap, start + 1, length - 1);
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

static bool endsWithFolder(const char* text, size_t len, const char* folder) {
    size_t n = strlen(folder);
    if (len < n + 1 || text[len - n - 1] != '\\') return false;
    for (size_t i = 0; i < n; ++i)
        if ((text[len - n + i] | 0x20) != folder[i]) return false;
    return true;
}

static size_t withoutTrailingBackslashes(const char* text, size_t len) {
    while (len > 0 && text[len - 1] == '\\') --len;
    return len;
}

void javaHomeOf(char* dst, size_t cap, const char* javaPath) {
    jvmDirectoryOf(dst, cap, javaPath);
    // A home recorded with a trailing backslash leaves a doubled one.
    size_t len = withoutTrailingBackslashes(dst, strlen(dst));
    if (endsWithFolder(dst, len, "bin")) len = withoutTrailingBackslashes(dst, len - 3);
    if (endsWithFolder(dst, len, "jre")) len = withoutTrailingBackslashes(dst, len - 3);
    dst[len] = '\0';
    appendText(dst, cap, "\\");
}

bool jvmLibraryPath(char* dst, size_t cap, const char* javaPath, int place) {
    static const char* const places[JVM_LIBRARY_PLACES] = {"hotspot", "client", "server", "classic"};
    jvmDirectoryOf(dst, cap, javaPath);
    appendText(dst, cap, places[place]);
    return appendText(dst, cap, "\\jvm.dll");
}

void wrongBitnessText(char* dst, size_t cap, const char* pattern, const char* version, const char* home,
                      const char* found, const char* needed) {
    copyText(dst, cap, pattern);
    if (!*version) substitutePlaceholder(dst, cap, "%JAVA_VERSION% ", "");
    substitutePlaceholder(dst, cap, "%JAVA_VERSION%", version);
    substituteMachineWords(dst, cap, "%JAVA_BITS%", found);
    substituteMachineWords(dst, cap, "%NEEDED_BITS%", needed);
    substitutePlaceholder(dst, cap, "%JAVA_HOME%", home);
}

static int compareNames(const void* a, const void* b) {
    return compareVersions(*(char* const*)a, *(char* const*)b);
}

void sortVersionNames(char** names, size_t count) {
    if (count > 1) qsort(names, count, sizeof *names, compareNames);
}
