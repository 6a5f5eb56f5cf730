#include "app/crash_report_text.h"

#include "files/text.h"

bool expandErrorFileName(const char* pattern, unsigned long pid, char* dst, size_t cap) {
    if (cap == 0) return false;
    dst[0] = '\0';
    for (const char* at = pattern; *at; ++at) {
        bool ok = true;
        if (at[0] == '%' && at[1] == 'p') {
            ok = appendUnsigned(dst, cap, pid);
            ++at;
        } else if (at[0] == '%' && at[1] == '%') {
            ok = appendChars(dst, cap, at, 1);
            ++at;
        } else {
            ok = appendChars(dst, cap, at, 1);
        }
        if (!ok) return false;
    }
    return true;
}
