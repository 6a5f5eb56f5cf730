#include "supervise/console.h"

#include "files/trace.h"

// A handle the child may use: one that takes a write of nothing, or, for
// input, one of a known kind.
static bool usable(HANDLE handle, bool write) {
    if (!handle || handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    return write ? WriteFile(handle, "", 0, &written, nullptr) != FALSE : GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The stream as the starting process gave it (a redirection to a file or a
// pipe), else the console's own device.
static HANDLE streamHandle(DWORD which, const wchar_t* device, bool write) {
    HANDLE given = GetStdHandle(which), copy = nullptr;
    if (usable(given, write) &&
        DuplicateHandle(GetCurrentProcess(), given, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return copy;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE opened = CreateFileW(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                OPEN_EXISTING, 0, nullptr);
    if (usable(opened, write)) return opened;
    if (opened != INVALID_HANDLE_VALUE) CloseHandle(opened);
    return nullptr;
}

bool attachStartingConsole(ConsoleHandles* handles) {
    handles->input = handles->output = handles->error = nullptr;
    // Refused as "access denied" where this process has a console already.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return false;
    handles->input = streamHandle(STD_INPUT_HANDLE, L"CONIN$", false);
    handles->output = streamHandle(STD_OUTPUT_HANDLE, L"CONOUT$", true);
    handles->error = streamHandle(STD_ERROR_HANDLE, L"CONOUT$", true);
    trace({"parent: started from a console; input ", handles->input ? "passed" : "dropped", ", output ",
           handles->output ? "passed" : "dropped", ", error ", handles->error ? "passed" : "dropped"});
    return true;
}

static const HANDLE* eventChild = nullptr;

// The system ends a console process 5 seconds after a close; it ends the
// child on its own clock.
enum { CLOSE_WAIT_MS = 5000 };

// Before there is a child, an event ends this process as it would any.
static BOOL WINAPI onConsoleEvent(DWORD event) {
    if (!eventChild || !*eventChild) return FALSE;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    trace({"parent: the console closes; waiting for the child"});
    WaitForSingleObject(*eventChild, CLOSE_WAIT_MS);
    return FALSE;
}

void leaveConsoleEventsToChild(const HANDLE* child) {
    eventChild = child;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}
