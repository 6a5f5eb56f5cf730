#include <windows.h>

#include "launcher/state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    appInstance = instance;
    return 0;
}
