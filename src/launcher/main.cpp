#include <windows.h>

#include "app/child.h"
#include "errors/fail.h"
#include "launcher/cmdline_text.h"
#include "launcher/parent.h"
#include "launcher/state.h"
#include "supervise/splash.h"

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
        setExitHook(hideParentSplash);
        runChildMode(tail);
        return 0;
    }
    setExitHook(endParentSupervision);
    runParentMode(showCommand(), tail);
    int code = runMessageLoop();
    // The user closed the splash: the application goes on, and the files of
    // this run are still recorded for a later start to delete.
    exitCleanup();
    return code;
}
