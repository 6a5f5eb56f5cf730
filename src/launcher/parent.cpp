#include "launcher/parent.h"

#include <cstdlib>

#include "errors/fail.h"
#include "errors/logs.h"
#include "files/extract.h"
#include "files/paths.h"
#include "files/temp_records.h"
#include "files/text.h"
#include "launcher/cmdline_text.h"
#include "launcher/config.h"
#include "launcher/state.h"
#include "supervise/monitor.h"
#include "supervise/splash.h"

enum { CFG_SHOW_SPLASH = 108, CFG_CHILD_DIR = 146, CFG_FLAVOUR = 2001 };
// CreateProcessA takes at most this many characters, terminator included.
enum { MAX_COMMAND_LINE = 32768 };

static HANDLE childProcess = nullptr;
static DWORD childProcessId = 0;

HANDLE getChildProcess() { return childProcess; }
DWORD getChildProcessId() { return childProcessId; }

void readFlavourLetter() {
    char letter[2];
    configString(CFG_FLAVOUR, letter, sizeof letter);
    flavourLetter = letter[0];
}

void getOwnProgramPath(char* dst, size_t cap) {
    const char* line = GetCommandLineA();
    copyChars(dst, cap, line, ownProgramPathLength(line));
}

bool startChildProcess(char* commandLine) {
    PROCESS_INFORMATION pi;
    STARTUPINFOA si;
    ZeroMemory(&pi, sizeof pi);
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    HANDLE errorLog = errorLogHandle();
    HANDLE outputLog = outputLogHandle();
    if (errorLog || outputLog) si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = errorLog;
    si.hStdOutput = outputLog;

    char configured[TEXT_CAP], directory[TEXT_CAP];
    configString(CFG_CHILD_DIR, configured, sizeof configured);
    if (configured[0]) canonicalPath(directory, configured);

    BOOL ok = CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                             configured[0] ? directory : nullptr, &si, &pi);
    childProcess = pi.hProcess;
    childProcessId = pi.dwProcessId;
    if (pi.hThread) CloseHandle(pi.hThread);
    return ok != FALSE;
}

// The child's line takes the user's arguments whole: up to the platform's
// limit, in a buffer of the size it needs.
static char* childCommandLine(const char* commFile, const char* extractDir, const char* tail) {
    char ownPath[TEXT_CAP];
    getOwnProgramPath(ownPath, sizeof ownPath);
    size_t ownLen = strlen(ownPath);
    size_t needed = childCommandLineLength(ownLen, commFile, extractDir, tail) + 1;
    if (needed > MAX_COMMAND_LINE) {
        char text[TEXT_CAP] = "The command line is too long to start the application:\n";
        appendUnsigned(text, sizeof text, needed - 1);
        appendText(text, sizeof text, " characters, where at most ");
        appendUnsigned(text, sizeof text, MAX_COMMAND_LINE - 1);
        appendText(text, sizeof text, " fit.");
        failWithText(text);
    }
    char* line = (char*)malloc(needed);
    if (!line) failInternal(ERR_CHILD_START);
    composeChildCommandLine(line, needed, ownPath, ownLen, commFile, extractDir, tail);
    return line;
}

void endParentSupervision(bool beforeError) {
    stopChildMonitor();
    if (beforeError) showSplash(SW_HIDE);
}

void runParentMode(int showCommand, const char* tail) {
    // The splash comes first: the clean-up may wait for another launcher's
    // lock, and the user must see at once that the program started.
    if (configInt(CFG_SHOW_SPLASH)) showSplash(showCommand);
    cleanupTempRecords();
    char extractDir[TEXT_CAP];
    extractIncludedFiles(extractDir);
    char commFile[TEXT_CAP];
    makeTempFile(commFile);
    addTempFile(commFile);
    char* line = childCommandLine(commFile, extractDir, tail);
    if (!startChildProcess(line)) failInternal(ERR_CHILD_START);
    free(line);
    startChildMonitor(commFile);
}

int runMessageLoop() {
    MSG msg;
    msg.wParam = 0;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
