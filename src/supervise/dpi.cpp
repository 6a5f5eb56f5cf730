#include "supervise/dpi.h"

#include "files/text.h"
#include "files/trace.h"

// Declared here: the calls exist only on newer systems, and are looked up.
typedef BOOL(WINAPI* SetContextFunction)(HANDLE context);
typedef HRESULT(WINAPI* SetAwarenessFunction)(int awareness);
typedef HRESULT(WINAPI* GetMonitorDpiFunction)(HMONITOR monitor, int type, UINT* x, UINT* y);
static const HANDLE CONTEXT_SYSTEM_AWARE = (HANDLE)(LONG_PTR)-2;
static const HANDLE CONTEXT_PER_MONITOR_V2 = (HANDLE)(LONG_PTR)-4;
enum { PROCESS_SYSTEM_AWARE = 1, PROCESS_PER_MONITOR_AWARE = 2, EFFECTIVE_DPI = 0 };

static FARPROC systemFunction(const wchar_t* dll, const char* name) {
    HMODULE module = GetModuleHandleW(dll);
    if (!module) module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? GetProcAddress(module, name) : nullptr;
}

const char* setDpiAwareness(bool perMonitor, unsigned long* refused) {
    *refused = 0;
    // Windows 10 1703 and later.
    SetContextFunction setContext =
        (SetContextFunction)(void*)systemFunction(L"user32.dll", "SetProcessDpiAwarenessContext");
    if (setContext) {
        if (!setContext(perMonitor ? CONTEXT_PER_MONITOR_V2 : CONTEXT_SYSTEM_AWARE)) *refused = GetLastError();
        return perMonitor ? "per-monitor v2" : "system";
    }
    // Windows 8.1 and later.
    SetAwarenessFunction setAwareness =
        (SetAwarenessFunction)(void*)systemFunction(L"shcore.dll", "SetProcessDpiAwareness");
    if (setAwareness) {
        HRESULT result = setAwareness(perMonitor ? PROCESS_PER_MONITOR_AWARE : PROCESS_SYSTEM_AWARE);
        if (FAILED(result)) *refused = (unsigned long)result;
        return perMonitor ? "per-monitor" : "system";
    }
    // Before: system-aware is all there is.
    if (!SetProcessDPIAware()) *refused = GetLastError();
    return "system";
}

void traceDpiAwareness(const char* who, const char* awareness, const char* forWhat, unsigned long refused) {
    char code[24] = "";
    appendUnsigned(code, sizeof code, refused);
    trace({who, awareness, forWhat, refused ? "; the system kept its own (error " : "", refused ? code : "",
           refused ? ")" : ""});
}

unsigned monitorDpi(POINT point) {
    GetMonitorDpiFunction getDpi = (GetMonitorDpiFunction)(void*)systemFunction(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (getDpi && SUCCEEDED(getDpi(MonitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY), EFFECTIVE_DPI, &x, &y)) && x)
        return x;
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? (unsigned)dpi : 96;
}
