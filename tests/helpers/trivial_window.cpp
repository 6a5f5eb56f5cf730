// The floor of the splash's latency: a program that shows a window at once,
// and ends a moment later.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HWND w = CreateWindowExA(0, "STATIC", "Trivial", WS_POPUP | WS_VISIBLE, 100, 100, 400, 200, nullptr, nullptr,
                             instance, nullptr);
    UpdateWindow(w);
    Sleep(300);
    return 0;
}
