#include "errors/logs.h"

#include "errors/fail.h"
#include "files/paths.h"
#include "files/text.h"
#include "files/wide.h"
#include "config/config.h"

static bool initialised = false;
static char errorLogPath[TEXT_CAP];
static char outputLogPath[TEXT_CAP];
static HANDLE errorLog = nullptr;
static HANDLE outputLog = nullptr;
static bool showErrorLog = false;

HANDLE openLogHandle(const char* path) {
    HANDLE file = openFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE inheritable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &inheritable, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        inheritable = nullptr;
    CloseHandle(file);
    return inheritable;
}

static HANDLE openConfiguredLog(ConfigId onId, ConfigId nameId, char* path) {
    path[0] = '\0';
    if (!configInt(onId)) return nullptr;
    char name[TEXT_CAP];
    configString(nameId, name, sizeof name);
    canonicalLowerPath(path, name);
    return openLogHandle(path);
}

void initOutputRedirection() {
    errorLog = openConfiguredLog(CFG_ERROR_LOG_ON, CFG_ERROR_LOG, errorLogPath);
    outputLog = openConfiguredLog(CFG_OUTPUT_LOG_ON, CFG_OUTPUT_LOG, outputLogPath);
    showErrorLog = configInt(CFG_SHOW_ERROR_LOG) != 0;
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

void checkErrorLog() {
    if (!initialised) initOutputRedirection();
    if (!showErrorLog || !errorLog) return;
    DWORD high = 0;
    DWORD size = GetFileSize(errorLog, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return;
    if (size != 0 || high != 0) failWithErrorLog(errorLogPath);
}
