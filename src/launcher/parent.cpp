#include "launcher/parent.h"

#include <cstdlib>

#include "errors/fail.h"
#include "errors/logs.h"
#include "files/busy.h"
#include "files/extract.h"
#include "files/paths.h"
#include "files/runtime_cache.h"
#include "files/temp_records.h"
#include "errors/message_text.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "launcher/cmdline_text.h"
#include "launcher/runtime_home.h"
#include "app/vm_options.h"
#include "supervise/console.h"
#include "supervise/instance_client.h"
#include "supervise/instance_text.h"
#include "config/config.h"
#include "config/state.h"
#include "supervise/monitor.h"
#include "supervise/splash.h"
#include "supervise/taskbar.h"

// CreateProcess takes at most this many characters, terminator included.
enum { MAX_COMMAND_LINE = 32767 };

static HANDLE childProcess = nullptr;
static DWORD childProcessId = 0;
// The console this start came from, when the product asks for it.
static ConsoleHandles console = {nullptr, nullptr, nullptr};

bool startChildProcess(const char* commandLine) {
    PROCESS_INFORMATION pi;
    STARTUPINFOW si;
    ZeroMemory(&pi, sizeof pi);
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    // A log takes its stream before the console does.
    si.hStdError = errorLogHandle() ? errorLogHandle() : console.error;
    si.hStdOutput = outputLogHandle() ? outputLogHandle() : console.output;
    si.hStdInput = console.input;
    if (si.hStdError || si.hStdOutput || si.hStdInput) si.dwFlags = STARTF_USESTDHANDLES;

    char configured[TEXT_CAP], directory[TEXT_CAP];
    configString(CFG_WORKING_DIRECTORY, configured, sizeof configured);
    if (configured[0]) canonicalLowerPath(directory, configured);

    BOOL ok = createProcess(nullptr, commandLine, TRUE, NORMAL_PRIORITY_CLASS, configured[0] ? directory : nullptr,
                            &si, &pi);
    childProcess = pi.hProcess;
    childProcessId = pi.dwProcessId;
    if (pi.hThread) CloseHandle(pi.hThread);
    // The application's first window may take the foreground from us.
    if (ok) AllowSetForegroundWindow(childProcessId);
    return ok != FALSE;
}

[[noreturn]] static void failLineTooLong(size_t length) {
    char text[TEXT_CAP], value[24] = "", limit[24] = "";
    messageText(MSG_COMMAND_LINE_TOO_LONG, text, sizeof text);
    appendUnsigned(value, sizeof value, length);
    appendUnsigned(limit, sizeof limit, MAX_COMMAND_LINE - 1);
    substitutePlaceholder(text, sizeof text, "%LENGTH%", value);
    substitutePlaceholder(text, sizeof text, "%LIMIT%", limit);
    failWithText(text);
}

// The child's line takes the user's arguments whole: up to the platform's
// limit, in a buffer of the size it needs.
static char* childCommandLine(const char* commFile, const char* extractDir, const char* tail) {
    char ownPath[TEXT_CAP];
    if (!quotedOwnProgramPath(ownPath, sizeof ownPath)) failInternal(ERR_CHILD_START);
    size_t ownLen = strlen(ownPath);
    size_t needed = childCommandLineLength(ownLen, commFile, extractDir, tail) + 1;
    char* line = (char*)malloc(needed);
    if (!line) failWithMessage(MSG_OUT_OF_MEMORY);
    composeChildCommandLine(line, needed, ownPath, ownLen, commFile, extractDir, tail);
    // The limit counts UTF-16 characters, as the system takes the line.
    size_t length = wideLength(line);
    if (length + 1 > MAX_COMMAND_LINE) failLineTooLong(length);
    return line;
}

void endParentSupervision(bool beforeError) {
    stopChildMonitor();
    // A later start need not wait for the user to read this one's message.
    releaseInstanceClaim();
    if (beforeError) hideSplash();
    else removeOtherCopyFolders();
}

static bool quitSeen = false;

// While the parent cleans up and writes files before its message loop, the
// splash must go on answering, or the system marks it "Not Responding".
static void pumpMessages() {
    MSG msg;
    while (!quitSeen && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The user closed the splash: the message loop ends the parent.
            quitSeen = true;
            PostQuitMessage((int)msg.wParam);
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The user's words as the child takes them: the count of the first that are
// VM options (-J), then the text. A start again of a hand-over counts its
// options itself, so that none of its main words is read as one.
struct UserWords {
    const char* text;
    size_t optionCount;
};
static UserWords userWords = {"", 0};

static UserWords userWordsOf(const char* tail) {
    unsigned long count = 0;
    if (const char* text = againTail(tail, &count)) return {text, configInt(CFG_OPTIONS_FROM_COMMAND_LINE) ? count : 0};
    if (!configInt(CFG_OPTIONS_FROM_COMMAND_LINE)) return {tail, 0};
    StringList options = {nullptr, 0, 0};
    splitUserWords(tail, "-J", &options);
    size_t found = options.count;
    freeStringList(&options);
    return {tail, found};
}

// The child's proof that this process made it: a handle to this process,
// inherited, which no command line alone can give.
static HANDLE handleForChild() {
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, TRUE, 0))
        failInternal(ERR_CHILD_START);
    return self;
}

// "'<handle>' '<count>' <words>", behind the child's own parameters.
static char* childTail(HANDLE self) {
    GrowText tail = {nullptr, 0, 0};
    char handle[24] = "", count[24] = "";
    appendUnsigned(handle, sizeof handle, (unsigned long)(ULONG_PTR)self);
    appendUnsigned(count, sizeof count, (unsigned long)userWords.optionCount);
    for (const char* part : {"'", (const char*)handle, "' '", (const char*)count, "' ", userWords.text})
        if (!growAppendText(&tail, part)) failWithMessage(MSG_OUT_OF_MEMORY);
    return tail.data;
}

// A child as a start makes one: the runtime checked, the included files
// extracted, its own communication file and line. A restart is such a start
// too, so that an application restarted after an update gets the new files.
static bool startFreshChild(char* commFile) {
    bool checkBeside = prepareRuntime();
    char extractDir[TEXT_CAP];
    char names[TEXT_CAP];
    configString(CFG_FILE_NAMES, names, sizeof names);
    if (!prepareCachedFiles(extractDir)) {
        int extracted = extractIncludedFiles(appInstance, configInt(CFG_FILE_COUNT), names, extractDir, runsElevated());
        if (extracted) failInternal(extracted);
    }
    makeTempFile(commFile);
    addTempFile(commFile);
    trace({"parent: comm file ", commFile, ", included files in ", *extractDir ? extractDir : "(none)"});
    HANDLE self = handleForChild();
    char* tail = childTail(self);
    char* line = childCommandLine(commFile, extractDir, tail);
    free(tail);
    trace({"parent: child line ", line});
    bool started = startChildProcess(line);
    CloseHandle(self);
    free(line);
    if (!started || !checkBeside || confirmRuntime(childProcess)) return started;
    // The child has not looked at the copy yet: it goes, and the next start
    // checks a new copy before its child.
    HANDLE waiting = childProcess;
    childProcess = nullptr;
    TerminateProcess(waiting, 1);
    WaitForSingleObject(waiting, INFINITE);
    CloseHandle(waiting);
    return startFreshChild(commFile);
}

// The ended child's handle goes once the new one is there.
static bool restartChild(HANDLE* child, DWORD* childId, char* commFile) {
    HANDLE ended = childProcess;
    bool started = startFreshChild(commFile);
    if (ended) CloseHandle(ended);
    if (!started) return false;
    *child = childProcess;
    *childId = childProcessId;
    return true;
}

// A second start of a single-instance product gives its folder, the words
// that main would take and its VM options to the running instance, and ends
// before its splash and its search for Java.
static void offerToRunningInstance() {
    StringList words = {nullptr, 0, 0};
    char count[24] = "";
    appendUnsigned(count, sizeof count, (unsigned long)userWords.optionCount);
    if (!addString(&words, count)) failWithMessage(MSG_OUT_OF_MEMORY);
    const char* mainWords = splitUserWords(userWords.text, "-J", &words, userWords.optionCount);
    splitUserWords(mainWords, nullptr, &words);
    char folder[TEXT_CAP];
    if (!fullPath(".", folder, sizeof folder)) folder[0] = '\0';
    InstanceClaim claim = claimInstance(folder, &words);
    freeStringList(&words);
    if (claim == INSTANCE_NOT_RESPONDING) failWithMessage(MSG_NOT_RESPONDING);
    if (claim == INSTANCE_FIRST) return;
    trace({"parent: handed over to the running instance"});
    ExitProcess(0);
}

void runParentMode(const char* tail) {
    userWords = userWordsOf(tail);
    if (configInt(CFG_SINGLE_INSTANCE)) offerToRunningInstance();
    setTaskbarIdentity("parent: ");
    // A console program waits for its application and ends with its code,
    // as java.exe; a window program only where it asks for the console.
    bool tool = builtForConsole();
    bool fromConsole = (configInt(CFG_CONSOLE) || tool) && attachStartingConsole(&console);
    if (fromConsole) leaveConsoleEventsToChild(&childProcess);
    // The splash comes first: the clean-up may wait for another launcher's
    // lock, and the user must see at once that the program started.
    if (configInt(CFG_SHOW_SPLASH)) {
        showSplash();
        setBusyHook(pumpMessages);
    }
    trace({"parent: started, ", exeDirectory()});
    cleanupTempRecords(copiesInUse);
    trace({"parent: clean-up of earlier runs done"});
    char commFile[TEXT_CAP];
    if (!startFreshChild(commFile)) failInternal(ERR_CHILD_START);
    startChildMonitor(commFile, childProcess, childProcessId, restartChild, fromConsole || tool);
}

int runMessageLoop() {
    MSG msg;
    msg.wParam = 0;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}
