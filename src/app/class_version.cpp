#include "app/class_version.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "app/class_version_text.h"
#include "files/inflate_text.h"
#include "files/text.h"
#include "files/wide.h"
#include "files/zip_text.h"

// A directory larger than this is not searched: a jar of a million entries
// is no application's.
enum { MAX_DIRECTORY = 64 << 20, HEAD = 8, DEFLATED_READ = 4096 };

static bool readAt(HANDLE file, uint64_t offset, uint8_t* dst, DWORD want, DWORD* got) {
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)offset;
    *got = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, dst, want, got, nullptr);
}

static unsigned majorOfEntry(HANDLE jar, const ZipEntry& entry) {
    uint8_t header[ZIP_LOCAL_HEADER], data[DEFLATED_READ], head[HEAD];
    DWORD got = 0;
    if (!readAt(jar, entry.localHeader, header, sizeof header, &got)) return 0;
    size_t offset = zipDataOffset(header, got);
    DWORD want = entry.compressedSize < sizeof data ? entry.compressedSize : (DWORD)sizeof data;
    if (!offset || !readAt(jar, entry.localHeader + offset, data, want, &got)) return 0;
    if (entry.method == 0) return classFileMajor(data, got);
    if (entry.method != 8) return 0;
    return classFileMajor(head, inflateHead(data, got, head, sizeof head));
}

static unsigned majorInJar(HANDLE jar, const char* entryName) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(jar, &size) || size.QuadPart <= 0) return 0;
    uint64_t length = (uint64_t)size.QuadPart;
    DWORD tailLength = length < ZIP_TAIL_CAP ? (DWORD)length : (DWORD)ZIP_TAIL_CAP;
    uint8_t* tail = (uint8_t*)malloc(tailLength);
    ZipDirectory dir = {0, 0};
    DWORD got = 0;
    bool found = tail && readAt(jar, length - tailLength, tail, tailLength, &got) && zipDirectory(tail, got, &dir);
    free(tail);
    if (!found || dir.size > MAX_DIRECTORY || dir.offset + dir.size > length) return 0;
    uint8_t* bytes = (uint8_t*)malloc(dir.size ? (size_t)dir.size : 1);
    ZipEntry entry;
    found = bytes && readAt(jar, dir.offset, bytes, (DWORD)dir.size, &got) && zipFindEntry(bytes, got, entryName, &entry);
    free(bytes);
    return found ? majorOfEntry(jar, entry) : 0;
}

static unsigned majorInEntry(const char* entry, const char* internalName) {
    char path[TEXT_CAP], name[TEXT_CAP];
    copyText(name, sizeof name, internalName);
    if (!appendText(name, sizeof name, ".class")) return 0;
    DWORD attributes = fileAttributes(entry);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    copyText(path, sizeof path, entry);
    if (folder) {
        for (char* c = name; *c; ++c)
            if (*c == '/') *c = '\\';
        if (!appendTexts(path, sizeof path, {"\\", name})) return 0;
    }
    HANDLE file = openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return 0;
    uint8_t head[HEAD];
    DWORD got = 0;
    unsigned major = folder ? (readAt(file, 0, head, sizeof head, &got) ? classFileMajor(head, got) : 0)
                            : majorInJar(file, name);
    CloseHandle(file);
    return major;
}

unsigned classMajorOnPath(const char* classPath, const char* internalName) {
    char entry[TEXT_CAP], utf8[TEXT_CAP];
    for (const char* at = classPath; *at;) {
        size_t length = strcspn(at, ";");
        copyChars(entry, sizeof entry, at, length);
        at += length + (at[length] == ';');
        codePageToUtf8(entry, utf8, sizeof utf8);
        if (!*utf8) continue;
        unsigned major = majorInEntry(utf8, internalName);
        if (major) return major;
    }
    return 0;
}
