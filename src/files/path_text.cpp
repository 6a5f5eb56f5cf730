#include "files/path_text.h"

#include <cstring>

#include "files/text.h"

static bool driveRoot(const char* at) { return at[0] == ':' && at[1] == '\\'; }
static bool uncRoot(const char* at) { return at[0] == '\\' && at[1] == '\\'; }

bool isRelativePath(const char* path) {
    size_t len = strlen(path);
    if (len <= 2) return true;
    if (path[0] == '"') {
        if (len <= 3) return true;
        return !(driveRoot(path + 2) || uncRoot(path + 1));
    }
    return !(driveRoot(path + 1) || uncRoot(path));
}

void cutToDirectory(char* path) {
    char* slash = strrchr(path, '\\');
    if (slash)
        slash[1] = '\0';
    else
        path[0] = '\0';
}

void lowerAscii(char* text) {
    for (; *text; ++text)
        if (*text >= 'A' && *text <= 'Z') *text = (char)(*text - 'A' + 'a');
}

bool isPlainFileName(const char* name) {
    if (!*name || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
    return strpbrk(name, "\\/:") == nullptr;
}

static char lowerOf(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

bool hasExtension(const char* name, const char* extension) {
    size_t n = strlen(name), e = strlen(extension);
    if (n < e + 1 || name[n - e - 1] != '.') return false;
    for (size_t i = 0; i < e; ++i)
        if (lowerOf(name[n - e + i]) != lowerOf(extension[i])) return false;
    return true;
}
