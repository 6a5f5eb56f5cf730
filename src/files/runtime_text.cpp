#include "files/runtime_text.h"

#include <cstdlib>
#include <cstring>

#include "files/path_text.h"
#include "files/text.h"

bool isPlainRelativePath(const char* path) {
    char part[TEXT_CAP];
    const char* at = path;
    for (;;) {
        const char* slash = strchr(at, '\\');
        size_t length = slash ? (size_t)(slash - at) : strlen(at);
        if (length == 0 || length >= sizeof part) return false;
        memcpy(part, at, length);
        part[length] = '\0';
        if (!isPlainFileName(part)) return false;
        if (!slash) return true;
        at = slash + 1;
    }
}

RuntimeEntry nextRuntimeEntry(const char** at, const char* end, unsigned long long* size, char* path, size_t cap) {
    if (*at >= end) return ENTRY_END;
    const char* line = *at;
    const char* stop = (const char*)memchr(line, '\n', (size_t)(end - line));
    if (!stop) return ENTRY_BAD;
    *at = stop + 1;
    unsigned long long value = 0;
    const char* c = line;
    for (; c < stop && *c >= '0' && *c <= '9'; ++c) {
        // A size beyond 2^60 bytes is no file's.
        if (value >> 60) return ENTRY_BAD;
        value = value * 10 + (unsigned)(*c - '0');
    }
    if (c == line || c >= stop || *c != ' ') return ENTRY_BAD;
    ++c;
    if ((size_t)(stop - c) >= cap || memchr(c, '\0', (size_t)(stop - c))) return ENTRY_BAD;
    memcpy(path, c, (size_t)(stop - c));
    path[stop - c] = '\0';
    *size = value;
    return isPlainRelativePath(path) ? ENTRY_OK : ENTRY_BAD;
}

static int byName(const void* a, const void* b) { return strcmp(*(char* const*)a, *(char* const*)b); }

bool indexNames(const char* index, size_t length, StringList* names) {
    char name[TEXT_CAP];
    unsigned long long size = 0;
    const char* at = index;
    for (RuntimeEntry e; (e = nextRuntimeEntry(&at, index + length, &size, name, sizeof name)) != ENTRY_END;) {
        lowerAscii(name);
        if (e != ENTRY_OK || !addString(names, name)) return false;
    }
    if (names->count) qsort(names->items, names->count, sizeof *names->items, byName);
    return true;
}

bool indexLists(const StringList* names, const char* relative, bool folder) {
    char key[TEXT_CAP];
    if (!copyText(key, sizeof key, relative) || (folder && !appendText(key, sizeof key, "\\"))) return false;
    lowerAscii(key);
    // The first name not before the key: the key itself, or for a folder
    // the first of its files.
    size_t low = 0, high = names->count;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (strcmp(names->items[middle], key) < 0) low = middle + 1;
        else high = middle;
    }
    if (low == names->count) return false;
    const char* found = names->items[low];
    return folder ? strncmp(found, key, strlen(key)) == 0 : strcmp(found, key) == 0;
}

bool runtimeFolderName(const char* hash, char* dst, size_t cap) {
    if (strlen(hash) < 16) return false;
    for (int i = 0; i < 16; ++i)
        if (!((hash[i] >= '0' && hash[i] <= '9') || (hash[i] >= 'a' && hash[i] <= 'f'))) return false;
    return copyChars(dst, cap, hash, 16);
}

static bool isLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

CopyFolder copyFolderKind(const char* name) {
    for (int i = 0; i < 16; ++i)
        if (!isLowerHex(name[i])) return COPY_NOT_OURS;
    const char* rest = name + 16;
    if (!*rest) return COPY_WHOLE;
    static const struct {
        const char* suffix;
        CopyFolder kind;
    } SUFFIXES[] = {{".partial-", COPY_UNFINISHED}, {".old-", COPY_SET_ASIDE}, {".gone-", COPY_SET_ASIDE}};
    for (const auto& s : SUFFIXES) {
        size_t length = strlen(s.suffix);
        if (strncmp(rest, s.suffix, length) != 0) continue;
        const char* digits = rest + length;
        size_t count = strspn(digits, "0123456789");
        return count > 0 && count <= 10 && !digits[count] ? s.kind : COPY_NOT_OURS;
    }
    return COPY_NOT_OURS;
}
