#include "files/list_text.h"

#include <cstring>

#include "files/text.h"

bool appendListEntry(char* list, size_t cap, const char* path) {
    size_t len = strnlen(list, cap);
    size_t add = strlen(path);
    if (add == 0 || strchr(path, ';') || len + add + 1 > cap - 1) return false;
    appendText(list, cap, path);
    appendText(list, cap, ";");
    return true;
}

bool nextListSpan(const char** at, const char** start, size_t* length) {
    const char* p = *at;
    while (*p == ';') ++p;
    if (!*p) {
        *at = p;
        return false;
    }
    const char* end = strchr(p, ';');
    *start = p;
    *length = end ? (size_t)(end - p) : strlen(p);
    *at = p + *length;
    return true;
}

bool nextListEntry(const char** at, char* entry, size_t cap) {
    const char* start;
    size_t length;
    if (!nextListSpan(at, &start, &length)) return false;
    copyChars(entry, cap, start, length);
    return true;
}
