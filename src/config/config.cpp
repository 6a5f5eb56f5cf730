#include "config/config.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "files/text.h"
#include "files/wide.h"
#include "config/config_text.h"
#include "config/state.h"

// UTF-8, cut between characters where it does not fit.
size_t configString(ConfigId id, char* buf, size_t cap) {
    if (cap == 0) return 0;
    buf[0] = '\0';
    const wchar_t* text = nullptr;
    // With no buffer, the string table's own text, which carries no terminator.
    int n = LoadStringW(appInstance, id, (LPWSTR)&text, 0);
    // A capacity of 1 holds only the terminator (and a size of 0 would ask
    // the conversion for a length instead).
    if (n <= 0 || !text || cap < 2) return 0;
    int got = WideCharToMultiByte(CP_UTF8, 0, text, n, buf, (int)cap - 1, nullptr, nullptr);
    if (got > 0) {
        buf[got] = '\0';
        return (size_t)got;
    }
    // Too long for the buffer: cut between characters.
    char* whole = allocUtf8(text, n);
    if (whole) copyChars(buf, cap, whole, utf8Prefix(whole, cap - 1));
    free(whole);
    return strlen(buf);
}

size_t configStringWide(ConfigId id, wchar_t* buf, size_t cap) {
    if (cap == 0) return 0;
    int n = LoadStringW(appInstance, id, buf, (int)cap);
    if (n <= 0) n = 0;
    buf[n < (int)cap ? n : cap - 1] = L'\0';
    return (size_t)n;
}

int configInt(ConfigId id) {
    char text[TEXT_CAP];
    configString(id, text, sizeof text);
    return atoi(text);
}

uint32_t configColour(ConfigId id) {
    char text[TEXT_CAP];
    configString(id, text, sizeof text);
    return colourFromText(text);
}

size_t productName(char* buf, size_t cap) {
    if (!configString(CFG_TITLE, buf, cap)) ownBaseName(buf, cap);
    return cap ? strlen(buf) : 0;
}
