#include "errors/logs.h"

#include <cstring>

#include "errors/fail.h"
#include "files/path_text.h"
#include "files/paths.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "config/data_folder.h"
#include "config/config.h"

static bool initialised = false;
static char errorLogPath[TEXT_CAP];
static bool errorLogElsewhere = false;
static char outputLogPath[TEXT_CAP];
static HANDLE errorLog = nullptr;
static HANDLE outputLog = nullptr;
enum ShowLog { SHOW_NEVER = 0, SHOW_AT_ONCE = 1, SHOW_ON_FAILURE = 2 };
static int showErrorLog = SHOW_NEVER;

// Others may read the log while it is written, but no other start may open
// it for writing: a second instance that truncated it would fill the first
// one's log with zero bytes.
HANDLE openLogHandle(const char* path) {
    HANDLE file = openFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE inheritable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &inheritable, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        inheritable = nullptr;
    CloseHandle(file);
    return inheritable;
}

enum { MAX_LOG_NUMBER = 99 };

// The log at `path`, or, while a running instance holds it, error-2.log,
// error-3.log and on in the same folder; path becomes the one opened.
static HANDLE openFreeLog(char* path) {
    char numbered[TEXT_CAP];
    for (unsigned long n = 1; n <= MAX_LOG_NUMBER; ++n) {
        if (!numberedFileName(path, n, numbered, sizeof numbered)) return nullptr;
        HANDLE log = openLogHandle(numbered);
        if (log) {
            copyText(path, TEXT_CAP, numbered);
            return log;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return nullptr;
    }
    return nullptr;
}

// Beside the executable; where that folder refuses it (a standard user
// under Program Files), the same name in the user's own data folder.
static HANDLE openConfiguredLog(ConfigId onId, ConfigId nameId, char* path, bool* elsewhere) {
    path[0] = '\0';
    if (!configInt(onId)) return nullptr;
    char name[TEXT_CAP];
    configString(nameId, name, sizeof name);
    canonicalLowerPath(path, name);
    char configured[TEXT_CAP];
    copyText(configured, sizeof configured, path);
    HANDLE log = openFreeLog(path);
    char fallback[TEXT_CAP];
    const char* fileName = strrchr(path, '\\') ? strrchr(path, '\\') + 1 : path;
    if (!log && userDataFolder("LOCALAPPDATA", fallback, sizeof fallback) &&
        appendText(fallback, sizeof fallback, fileName)) {
        copyText(path, TEXT_CAP, fallback);
        log = openFreeLog(path);
    }
    trace({"parent: log ", path, log ? "" : ": cannot be written"});
    *elsewhere = log && strcmp(path, configured) != 0;
    return log;
}

void initOutputRedirection() {
    bool outputElsewhere = false;
    errorLog = openConfiguredLog(CFG_ERROR_LOG_ON, CFG_ERROR_LOG, errorLogPath, &errorLogElsewhere);
    outputLog = openConfiguredLog(CFG_OUTPUT_LOG_ON, CFG_OUTPUT_LOG, outputLogPath, &outputElsewhere);
    showErrorLog = configInt(CFG_SHOW_ERROR_LOG);
    initialised = true;
}

HANDLE errorLogHandle() {
    if (!initialised) initOutputRedirection();
    return errorLog;
}

HANDLE outputLogHandle() {
    if (!initialised) initOutputRedirection();
    return outputLog;
}

static void showLogWithText(bool (*stillStarting)() = nullptr) {
    if (!errorLog) return;
    DWORD high = 0;
    DWORD size = GetFileSize(errorLog, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return;
    if (size == 0 && high == 0) return;
    if (stillStarting && !stillStarting()) return;
    failWithErrorLog(errorLogPath, errorLogElsewhere);
}

void checkErrorLog(bool (*stillStarting)()) {
    if (!initialised) initOutputRedirection();
    if (showErrorLog == SHOW_AT_ONCE) showLogWithText(stillStarting);
}

void checkErrorLogAfterFailure() {
    if (!initialised) initOutputRedirection();
    if (showErrorLog == SHOW_ON_FAILURE) showLogWithText();
}

void echoErrorLog() {
    if (!initialised) initOutputRedirection();
    if (!errorLog || !messagesAsText()) return;
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    // A handle of its own: the parent's shares its place with the child's.
    HANDLE log = openFile(errorLogPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (log == INVALID_HANDLE_VALUE) return;
    char bytes[4096];
    DWORD got = 0, done = 0;
    while (out && out != INVALID_HANDLE_VALUE && ReadFile(log, bytes, sizeof bytes, &got, nullptr) && got)
        WriteFile(out, bytes, got, &done, nullptr);
    CloseHandle(log);
}

void showStartFailure(const char* words, unsigned code) {
    if (!initialised) initOutputRedirection();
    if (showErrorLog == SHOW_NEVER) return;
    showLogWithText();
    failWithText(words, code);
}
