#include "app/crash_report.h"

#include <windows.h>

#include <cstring>

#include "app/crash_report_text.h"
#include "files/text.h"
#include "files/wide.h"

// Only a report of this process: a number is used again, and an old
// report of another process may stand under it.
static bool writtenSinceStart(const char* path) {
    FILETIME created, ended, kernel, user;
    WIN32_FILE_ATTRIBUTE_DATA facts;
    WidePath wide(path);
    if (!wide.ok || !GetFileAttributesExW(wide.text, GetFileExInfoStandard, &facts)) return false;
    if (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return true;
    return CompareFileTime(&facts.ftLastWriteTime, &created) >= 0;
}

// A name as the VM would open it: a relative one from the working folder.
static bool reportAt(const char* name, char* dst, size_t cap) {
    return fullPath(name, dst, cap) && writtenSinceStart(dst);
}

// As HotSpot places it: where -XX:ErrorFile says (the last one given), else
// in the working folder, else in the temporary folder.
bool findCrashReport(const JavaVMInitArgs* args, char* dst, size_t cap) {
    unsigned long pid = GetCurrentProcessId();
    char pattern[TEXT_CAP] = "", name[TEXT_CAP];
    for (jint i = 0; i < args->nOptions; ++i) {
        const char* option = args->options[i].optionString;
        if (strncmp(option, "-XX:ErrorFile=", 14) == 0) codePageToUtf8(option + 14, pattern, sizeof pattern);
    }
    if (*pattern && expandErrorFileName(pattern, pid, name, sizeof name) && reportAt(name, dst, cap)) return true;
    char own[40] = "hs_err_pid";
    appendUnsigned(own, sizeof own, pid);
    appendText(own, sizeof own, ".log");
    if (reportAt(own, dst, cap)) return true;
    return tempPath(name, sizeof name) && appendText(name, sizeof name, own) && reportAt(name, dst, cap);
}
