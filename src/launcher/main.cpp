#include <windows.h>

#include "app/child.h"
#include "files/temp_records.h"
#include "launcher/cmdline_text.h"
#include "launcher/parent.h"
#include "launcher/state.h"

static int showCommand() {
    STARTUPINFOA si;
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    return (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    appInstance = instance;
    readFlavourLetter();
    // The tail is taken from the process's own command line, so that both
    // processes split it by the same rule.
    const char* tail = argumentTail(GetCommandLineA());
    if (isChildModeTail(tail)) {
        runChildMode(tail);
        return 0;
    }
    cleanupTempRecords();
    runParentMode(showCommand(), tail);
    return runMessageLoop();
}
