#include "files/temp_records_text.h"

#include <cstring>

#include "files/text.h"

bool appendRecordEntry(char* record, size_t cap, const char* path) {
    size_t len = strnlen(record, cap);
    size_t add = strlen(path);
    if (add == 0 || strchr(path, ';') || len + add + 1 > cap - 1) return false;
    appendText(record, cap, path);
    appendText(record, cap, ";");
    return true;
}

bool nextRecordEntry(const char** at, char* entry, size_t cap) {
    const char* p = *at;
    while (*p == ';') ++p;
    if (!*p) {
        *at = p;
        return false;
    }
    const char* end = strchr(p, ';');
    size_t n = end ? (size_t)(end - p) : strlen(p);
    copyChars(entry, cap, p, n);
    *at = p + n;
    return true;
}
