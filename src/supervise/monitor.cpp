#include "supervise/monitor.h"

#include <cstdlib>

#include "errors/fail.h"
#include "errors/logs.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "config/config.h"
#include "supervise/comm_text.h"
#include "supervise/instance_client.h"
#include "supervise/splash.h"

enum { MONITOR_TIMER_ID = 9962, MONITOR_PERIOD_MS = 100 };
// Reads per tick, so a flood of records cannot hold the message loop.
enum { MAX_READS_PER_TICK = 64 };

static bool closeOnWindow = false;
static UINT_PTR monitorTimer = 0;
static HANDLE commFile = INVALID_HANDLE_VALUE;
static CommBuffer comm;
static HANDLE childProcess = nullptr;
static DWORD childProcessId = 0;
static bool startFailed = false;
// With a restart code, the parent stays until the child ends: the
// application is up, but may ask to be started again.
static bool (*restartChild)(HANDLE*, DWORD*, char*) = nullptr;
static int restartCode = -1;
static bool up = false;
// A window of the application was seen, whether or not it ends the parent:
// its end is then no failed start in the user's eyes.
static bool windowSeen = false;
static bool untilChildEnds = false;
enum { MAX_RESTARTS = 5, RESTART_WINDOW_MS = 60000 };
static ULONGLONG restartTimes[MAX_RESTARTS];
static int restarts = 0;
static bool mainThrew = false;
static bool restarting = false;
// What the child told of its start: the application runs; the words of an
// exception out of main; the options files its VM was given.
static bool applicationRuns = false;
static char thrownWords[TEXT_CAP] = "";
static char optionFiles[TEXT_CAP] = "";
// The child asks the user a question: its box is not the application's window.
static bool childAsks = false;
static DWORD windowSearchTarget = 0;
static int windowSearchCount = 0;

void startChildMonitor(const char* commFilePath, HANDLE child, DWORD childId,
                       bool (*restart)(HANDLE* child, DWORD* childId, char* commFilePath), bool untilEnd) {
    untilChildEnds = untilEnd;
    childProcess = child;
    childProcessId = childId;
    restartChild = restart;
    char code[16];
    restartCode = configString(CFG_RESTART_CODE, code, sizeof code) ? atoi(code) : -1;
    closeOnWindow = configInt(CFG_END_ON_WINDOW) != 0;
    resetComm(&comm);
    monitorTimer = SetTimer(nullptr, MONITOR_TIMER_ID, MONITOR_PERIOD_MS, monitorTick);
    // Without its timer the parent would wait, unseen, for ever.
    if (!monitorTimer) failInternal(ERR_NO_TIMER);
    commFile = openFile(commFilePath, GENERIC_READ, FILE_SHARE_WRITE, OPEN_ALWAYS);
}

void stopChildMonitor() {
    if (commFile != INVALID_HANDLE_VALUE) {
        CloseHandle(commFile);
        commFile = INVALID_HANDLE_VALUE;
    }
    if (monitorTimer) {
        KillTimer(nullptr, monitorTimer);
        monitorTimer = 0;
    }
}

static BOOL CALLBACK countVisibleWindow(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != windowSearchTarget) return TRUE;
    ++windowSearchCount;
    return FALSE;
}

bool childHasVisibleWindow(DWORD processId) {
    windowSearchTarget = processId;
    windowSearchCount = 0;
    EnumWindows(countVisibleWindow, 0);
    return windowSearchCount > 0;
}

// The end of the parent's watch, or, with a restart code or a console, of
// the splash.
static void applicationIsUp() {
    if (restartCode < 0 && !untilChildEnds) exitNormally();
    if (!up) trace({"parent: the application is up; waiting for its end"});
    up = true;
    hideSplash();
}

void parseCommRecords() {
    char type;
    const char* text;
    while (nextCommRecord(&comm, &type, &text)) {
        char kind[2] = {type, '\0'};
        trace({"parent: record ", kind, " ", text});
        if (type == RECORD_STATUS) setSplashStatus(text);
        if (type == RECORD_READY && !startFailed) applicationIsUp();
        // The child shows its message now: a later start need not wait
        // for the user to read it.
        if (type == RECORD_START_FAILED) {
            startFailed = true;
            releaseInstanceClaim();
        }
        if (type == RECORD_APPLICATION_RUNS) applicationRuns = true;
        if (type == RECORD_ASKING) childAsks = text[0] == '1';
        if (type == RECORD_OPTION_FILES) copyText(optionFiles, sizeof optionFiles, text);
        if (type == RECORD_MAIN_THREW) {
            mainThrew = true;
            copyText(thrownWords, sizeof thrownWords, text);
        }
    }
}

static void readCommFile() {
    DWORD size = GetFileSize(commFile, nullptr);
    if (size == 0 || size == INVALID_FILE_SIZE) return;
    for (int i = 0; i < MAX_READS_PER_TICK; ++i) {
        size_t room = 0;
        char* to = commReadPosition(&comm, &room);
        DWORD ask = room < size ? (DWORD)room : size;
        DWORD got = 0;
        if (ask == 0) return;
        if (!ReadFile(commFile, to, ask, &got, nullptr)) failInternal(ERR_COMM_READ);
        commAppended(&comm, got);
        parseCommRecords();
        if (got < ask) return;
    }
}

// The exit-code test alone would take a child that ended with code 259 for a
// running one; its signalled handle tells.
static bool childHasEnded(HANDLE child, DWORD code) {
    return code != STILL_ACTIVE || WaitForSingleObject(child, 0) == WAIT_OBJECT_0;
}

// At most five restarts within a minute: an application that asks for more
// would restart for ever.
static void restart() {
    ULONGLONG now = GetTickCount64();
    int recent = 0;
    for (int i = 0; i < restarts && i < MAX_RESTARTS; ++i) recent += now - restartTimes[i] < RESTART_WINDOW_MS;
    if (recent >= MAX_RESTARTS) {
        char count[16] = "";
        appendUnsigned(count, sizeof count, (unsigned long)recent + 1);
        failWithMessage(MSG_TOO_MANY_RESTARTS, "%RESTARTS%", count);
    }
    restartTimes[restarts++ % MAX_RESTARTS] = now;
    trace({"parent: the application asked for a restart"});
    char path[TEXT_CAP];
    // The fresh start pumps the splash's messages, this timer's among them:
    // no tick may run inside it.
    restarting = true;
    bool started = restartChild(&childProcess, &childProcessId, path);
    restarting = false;
    if (!started) failInternal(ERR_CHILD_START);
    // The new child's own records.
    if (commFile != INVALID_HANDLE_VALUE) CloseHandle(commFile);
    commFile = openFile(path, GENERIC_READ, FILE_SHARE_WRITE, OPEN_ALWAYS);
    resetComm(&comm);
    // The new child tells its own course.
    mainThrew = false;
    applicationRuns = false;
    windowSeen = false;
    thrownWords[0] = '\0';
    optionFiles[0] = '\0';
}

[[noreturn]] static void failSilentStart() {
    trace({"parent: the child ended before main without a message"});
    char text[TEXT_CAP];
    messageText(MSG_JVM_NOT_STARTED, text, sizeof text);
    if (*optionFiles) appendTexts(text, sizeof text, {"\n\nOptions were added from\n", optionFiles});
    failWithText(text);
}

// The application ended with a code of its own before it was up (an exit
// before its window, or the VM's abort), leaving nothing in its log: the
// user learns so where the product shows failures, and the parent ends with
// that code in any case.
[[noreturn]] static void failEndedBeforeUp(DWORD code) {
    char text[TEXT_CAP], number[16] = "";
    appendUnsigned(number, sizeof number, code);
    trace({"parent: the application ended with ", number, " before it was up"});
    messageText(MSG_JVM_NOT_STARTED, text, sizeof text);
    appendTexts(text, sizeof text, {"\n\nThe application ended with code ", number, " before it was ready."});
    showStartFailure(text, code);
    exitAfterFailedStart(code);
}

// An application that told it is up and then wrote to its log may have done
// both since this tick read the records: the records written before the log
// line decide.
static bool stillStarting() {
    if (commFile != INVALID_HANDLE_VALUE) readCommFile();
    // A child that has just said its start failed shows its own message.
    return !up && !startFailed;
}

// The records come first: a child that failed says so before its message
// appears, so that the message is never taken for the application's window.
void CALLBACK monitorTick(HWND, UINT, UINT_PTR, DWORD) {
    if (restarting) return;
    if (commFile != INVALID_HANDLE_VALUE) readCommFile();
    DWORD code = 0;
    if (!GetExitCodeProcess(childProcess, &code)) failInternal(ERR_CHILD_EXIT_CODE);
    bool ended = childHasEnded(childProcess, code);
    if (startFailed) {
        if (!ended) return;
        echoErrorLog();
        exitAfterFailedStart();
    }
    bool waitsForWindow = closeOnWindow || commFile == INVALID_HANDLE_VALUE;
    if (!up && !windowSeen && !childAsks && (waitsForWindow || !untilChildEnds) &&
        childHasVisibleWindow(childProcessId)) {
        windowSeen = true;
        if (waitsForWindow) applicationIsUp();
    }
    // Where the parent stays only for a restart or a console, an application
    // that is up may write what it likes.
    if (!up) checkErrorLog(stillStarting);
    if (!ended) return;
    // What the child wrote just before it ended.
    if (commFile != INVALID_HANDLE_VALUE) readCommFile();
    if (restartCode >= 0 && code == (DWORD)restartCode) {
        restart();
        return;
    }
    releaseInstanceClaim();
    // A VM that ended the process in its start without a word through its
    // hooks (or a child that died before its application ran): never a
    // silent success.
    if (!applicationRuns && commFile != INVALID_HANDLE_VALUE) failSilentStart();
    // An exception out of main: the log shows it, or, where the log holds
    // nothing (a VM that prints nothing for it), its words as java.exe
    // prints them. An application whose own handler ended it with 0 said
    // what it meant; a console has had the VM's words, and takes the code.
    if (mainThrew && code != 0 && !up && !untilChildEnds) {
        char words[TEXT_CAP];
        copyText(words, sizeof words, "Exception in thread \"main\" ");
        appendText(words, sizeof words, thrownWords);
        showStartFailure(words);
        exitAfterFailedStart();
    }
    // It ended before the application was up: a failure where it says so.
    // A console's user has seen its words, and the script takes its code.
    if (code != 0 && !untilChildEnds) checkErrorLogAfterFailure();
    if (code != 0 && !up && !windowSeen && !untilChildEnds) failEndedBeforeUp(code);
    // A script that started it from a console sees the application's result.
    exitNormally(untilChildEnds ? code : 0);
}
