#include <windows.h>

#include "launcher/child.h"
#include "errors/fail.h"
#include "files/wide.h"
#include "launcher/cmdline_text.h"
#include "launcher/parent.h"
#include "config/state.h"
#include "supervise/splash.h"

static int launcherMain() {
    // No library may ever be loaded from the current directory, whatever a
    // document's folder holds.
    SetDllDirectoryW(L"");
    appInstance = GetModuleHandleW(nullptr);
    // The tail is taken from the process's own command line, so that both
    // processes split it by the same rule.
    const char* tail = argumentTail(commandLineUtf8());
    if (isChildModeTail(tail)) {
        setExitHook(endChild);
        runChildMode(tail);
        return 0;
    }
    setExitHook(endParentSupervision);
    runParentMode(tail);
    int code = runMessageLoop();
    // The user closed the splash: the application goes on, and the files of
    // this run are still recorded for a later start to delete.
    exitCleanup();
    return code;
}

// The process starts here, without the C runtime's start-up code, which
// was a fifth of the image: the launcher has no static constructors, no
// atexit and reads its own command line. The runtime DLL's functions need
// none of it.
// On x86 the entry point realigns its stack, which Windows does not align
// as the compiler assumes; AArch64 keeps sp aligned in hardware and has no
// such attribute.
#if defined(__i386__) || defined(__x86_64__)
#define ENTRY_STACK __attribute__((force_align_arg_pointer))
#else
#define ENTRY_STACK
#endif
extern "C" ENTRY_STACK void tarvoEntry() { ExitProcess((UINT)launcherMain()); }
