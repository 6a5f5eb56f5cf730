// A stand-in GUI program for the harness's own tests: shows a message box
// with the text of its command line's tail and exits with 7.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
    MessageBoxA(nullptr, tail, "Stand-in", MB_OK | MB_ICONERROR);
    return 7;
}
