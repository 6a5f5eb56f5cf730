#include "files/paths.h"

#include <windows.h>

#include "files/text.h"

static char exeDir[TEXT_CAP];
static bool exeDirKnown = false;

static bool computeExeDir() {
    char name[TEXT_CAP];
    if (!programNameOfCommandLine(GetCommandLineA(), name, sizeof name)) return false;
    DWORD n = GetFullPathNameA(name, sizeof exeDir, exeDir, nullptr);
    if (n == 0 || n >= sizeof exeDir) {
        exeDir[0] = '\0';
        return false;
    }
    cutToDirectory(exeDir);
    exeDirKnown = true;
    return true;
}

const char* exeDirectory() {
    if (!exeDirKnown) computeExeDir();
    return exeDir;
}

void resolveFromExeDir(char* dst, const char* path) {
    dst[0] = '\0';
    if (!isRelativePath(path) || (!exeDirKnown && !computeExeDir())) {
        copyText(dst, TEXT_CAP, path);
        return;
    }
    copyText(dst, TEXT_CAP, exeDir);
    appendText(dst, TEXT_CAP, path);
}

void canonicalPath(char* dst, const char* path) {
    char joined[TEXT_CAP];
    resolveFromExeDir(joined, path);
    DWORD n = GetFullPathNameA(joined, TEXT_CAP, dst, nullptr);
    if (n == 0 || n >= TEXT_CAP) copyText(dst, TEXT_CAP, joined);
    lowerAscii(dst);
}

bool pathExists(const char* path, FileTime* lastWriteTime) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(path, &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    if (lastWriteTime) {
        lastWriteTime->low = found.ftLastWriteTime.dwLowDateTime;
        lastWriteTime->high = found.ftLastWriteTime.dwHighDateTime;
    }
    return true;
}

size_t readFileStart(const char* path, void* buf, size_t cap) {
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    DWORD got = 0;
    if (!ReadFile(f, buf, (DWORD)cap, &got, nullptr)) got = 0;
    CloseHandle(f);
    return got;
}

void makeTempFile(char* dst) {
    char dir[TEXT_CAP];
    dst[0] = '\0';
    DWORD n = GetTempPathA(sizeof dir, dir);
    if (n == 0 || n >= sizeof dir) return;
    // GetTempFileNameA writes up to MAX_PATH bytes; dst holds TEXT_CAP.
    if (!GetTempFileNameA(dir, "tvo", 0, dst)) dst[0] = '\0';
}
