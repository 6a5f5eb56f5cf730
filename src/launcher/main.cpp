#include <windows.h>

#include "launcher/state.h"

HINSTANCE appInstance = nullptr;
char flavourLetter = '\0';

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    appInstance = instance;
    return 0;
}
