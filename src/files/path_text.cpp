#include "files/path_text.h"

#include <cstring>

#include "files/text.h"

static bool isSlash(char c) { return c == '\\' || c == '/'; }
static bool driveRoot(const char* at) { return at[0] == ':' && isSlash(at[1]); }
static bool uncRoot(const char* at) { return isSlash(at[0]) && isSlash(at[1]); }

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

static char lowerOf(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

static bool sameLetters(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (lowerOf(a[i]) != lowerOf(b[i])) return false;
    return true;
}

// CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9 (and COM and LPT with a
// superscript 1, 2 or 3, which Windows takes as the digit), CONIN$,
// CONOUT$: with any extension, and with blanks before it, still the device.
static bool isDeviceName(const char* name) {
    size_t base = strcspn(name, ".");
    while (base > 0 && name[base - 1] == ' ') --base;
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
        if (base == strlen(device) && sameLetters(name, device, base)) return true;
    if (base < 4 || !(sameLetters(name, "com", 3) || sameLetters(name, "lpt", 3))) return false;
    if (base == 4) return name[3] >= '0' && name[3] <= '9';
    // U+00B9, U+00B2, U+00B3 in UTF-8.
    unsigned char lead = (unsigned char)name[3], trail = (unsigned char)name[4];
    return base == 5 && lead == 0xC2 && (trail == 0xB9 || trail == 0xB2 || trail == 0xB3);
}

bool isPlainFileName(const char* name) {
    size_t n = strlen(name);
    if (n == 0 || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
    if (strpbrk(name, "<>:\"/\\|?*")) return false;
    for (const char* at = name; *at; ++at)
        if ((unsigned char)*at < 32) return false;
    if (name[n - 1] == '.' || name[n - 1] == ' ') return false;
    return !isDeviceName(name);
}

bool numberedFileName(const char* path, unsigned long n, char* dst, size_t cap) {
    if (n <= 1) return copyText(dst, cap, path);
    const char* name = strrchr(path, '\\');
    const char* dot = strrchr(name ? name : path, '.');
    size_t stem = dot ? (size_t)(dot - path) : strlen(path);
    bool fits = copyChars(dst, cap, path, stem) && appendText(dst, cap, "-");
    fits = appendUnsigned(dst, cap, n) && fits;
    return appendText(dst, cap, path + stem) && fits;
}

bool sameFileName(const char* a, const char* b) {
    size_t n = strlen(a);
    return n == strlen(b) && sameLetters(a, b, n);
}

static bool endsWithLetters(const char* text, size_t n, const char* tail) {
    size_t t = strlen(tail);
    return n >= t && sameLetters(text + n - t, tail, t);
}

bool isOwnTempEntry(const char* entry, const char* tempDir) {
    size_t dir = strlen(tempDir);
    if (dir == 0 || !isSlash(tempDir[dir - 1]) || strlen(entry) <= dir || !sameLetters(entry, tempDir, dir))
        return false;
    const char* name = entry + dir;
    size_t first = strcspn(name, "\\/");
    if (first < 3 || !sameLetters(name, "tvo", 3)) return false;
    bool file = endsWithLetters(name, first, ".tmp"), folder = endsWithLetters(name, first, ".tmp_dir");
    if (!name[first]) return file || folder;
    // A file inside an extraction folder, directly.
    return folder && isPlainFileName(name + first + 1);
}

bool hasExtension(const char* name, const char* extension) {
    size_t n = strlen(name), e = strlen(extension);
    if (n < e + 1 || name[n - e - 1] != '.') return false;
    for (size_t i = 0; i < e; ++i)
        if (lowerOf(name[n - e + i]) != lowerOf(extension[i])) return false;
    return true;
}
