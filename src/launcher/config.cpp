#include "launcher/config.h"

#include <windows.h>

#include <cstdlib>

#include "files/text.h"
#include "launcher/config_text.h"
#include "launcher/state.h"

size_t configString(unsigned id, char* buf, size_t cap) {
    if (cap == 0) return 0;
    buf[0] = '\0';
    int n = LoadStringA(appInstance, id, buf, (int)cap);
    if (n <= 0) {
        buf[0] = '\0';
        return 0;
    }
    buf[cap - 1] = '\0';
    return (size_t)n;
}

size_t configStringWide(unsigned id, wchar_t* buf, size_t cap) {
    if (cap == 0) return 0;
    int n = LoadStringW(appInstance, id, buf, (int)cap);
    if (n <= 0) n = 0;
    buf[n < (int)cap ? n : cap - 1] = L'\0';
    return (size_t)n;
}

int configInt(unsigned id) {
    char text[TEXT_CAP];
    configString(id, text, sizeof text);
    return atoi(text);
}

uint32_t configColour(unsigned id) {
    char text[TEXT_CAP];
    configString(id, text, sizeof text);
    return colourFromText(text);
}
