#include "files/trace.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "files/text.h"
#include "files/wide.h"

// Each process writes at most this much, so that a start never leaves more
// than a megabyte, however much its application sends.
static const DWORD TRACE_CAP = 512 * 1024;

static HANDLE traceFile = INVALID_HANDLE_VALUE;
static bool traceChecked = false;
static DWORD written = 0;

bool tracing() {
    if (traceChecked) return traceFile != INVALID_HANDLE_VALUE;
    traceChecked = true;
    char path[TEXT_CAP];
    if (!environmentValue("TARVO_TRACE", path, sizeof path) || !path[0]) return false;
    traceFile = openFile(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS);
    return traceFile != INVALID_HANDLE_VALUE;
}

static void appendPadded(char* dst, size_t cap, unsigned value, unsigned width) {
    char digits[8] = "";
    appendUnsigned(digits, sizeof digits, value);
    for (size_t n = strlen(digits); n < width; ++n) appendText(dst, cap, "0");
    appendText(dst, cap, digits);
}

void trace(std::initializer_list<const char*> parts) {
    if (!tracing() || written >= TRACE_CAP) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[TEXT_CAP] = "";
    appendPadded(line, sizeof line, now.wHour, 2);
    appendText(line, sizeof line, ":");
    appendPadded(line, sizeof line, now.wMinute, 2);
    appendText(line, sizeof line, ":");
    appendPadded(line, sizeof line, now.wSecond, 2);
    appendText(line, sizeof line, ".");
    appendPadded(line, sizeof line, now.wMilliseconds, 3);
    appendText(line, sizeof line, " [");
    appendUnsigned(line, sizeof line, GetCurrentProcessId());
    appendText(line, sizeof line, "] ");
    for (const char* part : parts) appendText(line, sizeof line, part ? part : "(null)");
    size_t length = strlen(line);
    // A line that would fill the cap exactly is already one too many: the
    // last line written is always the one that says the trace stops.
    if (written + length + 1 >= TRACE_CAP) {
        copyText(line, sizeof line, "(the trace of this process stops here: it reached its cap)");
        length = strlen(line);
        written = TRACE_CAP;
    } else {
        written += (DWORD)length + 1;
    }
    if (length + 1 >= sizeof line) length = sizeof line - 2;  // a cut line still ends
    line[length++] = '\n';
    DWORD n = 0;
    WriteFile(traceFile, line, (DWORD)length, &n, nullptr);
}
