#include "files/runtime_text.h"

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

static bool caseInsensitiveEqual(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? (char)(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? (char)(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

bool indexLists(const char* index, size_t length, const char* relative, bool folder) {
    size_t n = strlen(relative);
    char name[TEXT_CAP];
    unsigned long long size = 0;
    const char* at = index;
    for (RuntimeEntry e; (e = nextRuntimeEntry(&at, index + length, &size, name, sizeof name)) != ENTRY_END;) {
        if (e != ENTRY_OK) return false;
        bool same = strlen(name) >= n && caseInsensitiveEqual(name, relative, n);
        if (same && (folder ? name[n] == '\\' : name[n] == '\0')) return true;
    }
    return false;
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
