// Holds the Wine desktop for the length of a test run. Wine closes a
// desktop that no process uses and starts a new one with the next window;
// that new desktop process would inherit the output pipe of whichever test
// started it and keep that test from ending. This program, started once
// with no pipes of ours, uses the desktop until the run stops Wine.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    GetDesktopWindow();
    HWND hidden = CreateWindowExA(0, "STATIC", "keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(hidden);
    return 0;
}
