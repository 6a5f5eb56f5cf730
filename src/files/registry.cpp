#include "files/registry.h"

bool queryRegistryText(HKEY key, const char* name, char* buf, DWORD cap, bool* missing) {
    DWORD size = cap;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, (BYTE*)buf, &size);
    if (missing) *missing = rc == ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_SUCCESS)
        while (size > 0 && buf[size - 1] == '\0') --size;
    if (rc != ERROR_SUCCESS || size >= cap) {
        buf[0] = '\0';
        return false;
    }
    buf[size] = '\0';
    return true;
}
