#include "app/vm_print.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/text.h"
#include "files/wide.h"

// Held text: chunks, each behind the tag of its stream, in the VM's code page.
enum { HELD_CAP = 8192, LINE_CAP = 1024 };
static const char TAG_OUTPUT = '\x01', TAG_ERROR = '\x02';
static char held[HELD_CAP];
static CRITICAL_SECTION lock;
static bool started = false;
static volatile LONG running = 0;

void startVmPrint() {
    InitializeCriticalSection(&lock);
    started = true;
}

bool vmApplicationRuns() { return running != 0; }

// The standard output of a C runtime that a VM may print through: the
// universal one, or one of the versioned and system ones.
static void* runtimeOutput(HMODULE runtime) {
    typedef void*(__cdecl * IobFunc)(unsigned);
    typedef void*(__cdecl * OldIobFunc)();
    if (IobFunc iob = (IobFunc)(void*)GetProcAddress(runtime, "__acrt_iob_func")) return iob(1);
    // The older runtimes' FILE is the layout these headers declare.
    if (OldIobFunc iob = (OldIobFunc)(void*)GetProcAddress(runtime, "__iob_func")) return (char*)iob() + sizeof(FILE);
    if (void* iob = (void*)GetProcAddress(runtime, "_iob")) return (char*)iob + sizeof(FILE);
    return nullptr;
}

static const wchar_t* const RUNTIMES[] = {L"ucrtbase.dll", L"msvcr120.dll", L"msvcr110.dll", L"msvcr100.dll",
                                          L"msvcr90.dll",  L"msvcr80.dll",  L"msvcr71.dll",  L"msvcrt.dll"};

// Only runtimes already loaded, the VM's among them: nothing is loaded here.
static bool isStandardOutput(void* file) {
    for (const wchar_t* name : RUNTIMES) {
        HMODULE runtime = GetModuleHandleW(name);
        if (runtime && file && runtimeOutput(runtime) == file) return true;
    }
    return false;
}

static void writeStream(char tag, const char* text, size_t length) {
    DWORD written = 0;
    WriteFile(GetStdHandle(tag == TAG_OUTPUT ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), text, (DWORD)length, &written,
              nullptr);
}

// The held text, out in its order, once; it stays for the message.
static bool heldWritten = false;

static void writeHeld() {
    if (heldWritten) return;
    heldWritten = true;
    for (const char* at = held; *at;) {
        const char* end = at + 1 + strcspn(at + 1, "\x01\x02");
        writeStream(*at, at + 1, (size_t)(end - at - 1));
        at = end;
    }
}

// Held while there is room; beyond it, what is held goes out first, so
// that the streams keep the VM's order.
static bool hold(char tag, const char* text, size_t length) {
    size_t used = strlen(held);
    if (heldWritten || used + length + 2 > sizeof held) {
        writeHeld();
        return false;
    }
    held[used] = tag;
    memcpy(held + used + 1, text, length);
    held[used + 1 + length] = '\0';
    return true;
}

jint JNICALL vmPrint(void* file, const char* format, va_list args) {
    char line[LINE_CAP];
    va_list measure;
    va_copy(measure, args);
    int n = _vscprintf(format, measure);
    va_end(measure);
    if (n < 0) return 0;
    // Whole, however long: a thread dump is many lines in one call.
    char* text = (size_t)n < sizeof line ? line : (char*)malloc((size_t)n + 1);
    if (!text) return 0;
    _vsnprintf(text, (size_t)n + 1, format, args);
    text[n] = '\0';
    char tag = isStandardOutput(file) ? TAG_OUTPUT : TAG_ERROR;
    EnterCriticalSection(&lock);
    if (running || !hold(tag, text, (size_t)n)) writeStream(tag, text, (size_t)n);
    LeaveCriticalSection(&lock);
    if (text != line) free(text);
    return n;
}

void releaseVmWords() {
    EnterCriticalSection(&lock);
    InterlockedExchange(&running, 1);
    writeHeld();
    LeaveCriticalSection(&lock);
}

void forgetVmWords() {
    EnterCriticalSection(&lock);
    if (!heldWritten) held[0] = '\0';
    LeaveCriticalSection(&lock);
}

size_t vmStartWords(char* dst, size_t cap) {
    if (cap) dst[0] = '\0';
    if (!started) return 0;
    char words[HELD_CAP];
    size_t length = 0;
    EnterCriticalSection(&lock);
    for (const char* at = held; *at; ++at)
        if (*at != TAG_OUTPUT && *at != TAG_ERROR) words[length++] = *at;
    words[length] = '\0';
    LeaveCriticalSection(&lock);
    codePageToUtf8(words, dst, cap);
    // A last line break would only widen the gap below the message.
    length = strlen(dst);
    while (length > 0 && (dst[length - 1] == '\n' || dst[length - 1] == '\r')) dst[--length] = '\0';
    return length;
}
