#include <windows.h>

#include "app/child.h"
#include "errors/fail.h"
#include "files/wide.h"
#include "launcher/cmdline_text.h"
#include "launcher/parent.h"
#include "launcher/state.h"
#include "supervise/splash.h"

static int showCommand() {
    STARTUPINFOW si;
    si.cb = sizeof si;
    GetStartupInfoW(&si);
    return (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // No library may ever be loaded from the current directory, whatever a
    // document's folder holds.
    SetDllDirectoryW(L"");
    appInstance = instance;
    readFlavourLetter();
    // The tail is taken from the process's own command line, so that both
    // processes split it by the same rule.
    const char* tail = argumentTail(commandLineUtf8());
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
