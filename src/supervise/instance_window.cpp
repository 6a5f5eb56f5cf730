#include "supervise/instance_window.h"

#include <windows.h>

static BOOL CALLBACK findFirstWindow(HWND window, LPARAM found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

bool bringFirstWindowToFront() {
    HWND window = nullptr;
    EnumWindows(findFirstWindow, (LPARAM)&window);
    if (!window) return false;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}
