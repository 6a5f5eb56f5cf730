#include "launcher/runtime_home.h"

#include <windows.h>

#include "config/config.h"
#include "config/data_folder.h"
#include "config/state.h"
#include "errors/fail.h"
#include "errors/message_text.h"
#include "files/busy.h"
#include "files/extract.h"
#include "files/paths.h"
#include "files/runtime_cache.h"
#include "files/temp_records.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "jvm/find_jvm.h"
#include "supervise/splash.h"

// The one way from the parent to the child's search; removed in the child.
#define HOME_VARIABLE "TARVO_RUNTIME_HOME"
// An elevated start's event, inherited by the child, set once the copy's
// bytes are checked and the child holds them; removed in the child.
#define CHECKED_VARIABLE "TARVO_RUNTIME_CHECKED"
// The internal error of a folder that cannot be made, as for included files.
enum { ERR_NO_RUNTIME_FOLDER = 7, ERR_NOT_CARRIED = 12 };

struct CopyKind {
    const char* type;
    const char* prefix;
    const char* folder;  // below the product's local data folder
    bool showsProgress;
    ConfigId hash;
};
static const CopyKind RUNTIME_COPY = {"RUNTIME", "ID_RT_", "runtime", true, CFG_RUNTIME_HASH};
static const CopyKind FILES_COPY = {"APPFILES", "ID_FILE_", "files", false, CFG_FILES_HASH};

// Zero at the start, so that the image carries none of its buffers.
struct CopyJob {
    const CopyKind* kind;
    char hash[80];
    char root[TEXT_CAP];
    char home[TEXT_CAP];
    volatile LONG permille;
    int code;
    bool checkBytes;
    bool confirm;  // the copy is in place: its bytes are checked, no more
};
static CopyJob runtimeJob, filesJob;

static DWORD WINAPI installJob(void* raw) {
    CopyJob* job = (CopyJob*)raw;
    const CopyKind* kind = job->kind;
    if (job->confirm) {
        job->code = copyIsCarried(appInstance, kind->type, kind->prefix, job->home) ? 0 : ERR_NOT_CARRIED;
        return 0;
    }
    if (job->checkBytes) trace({"parent: elevated; the copy's bytes are checked against the launcher's"});
    job->code = installCopy(appInstance, kind->type, kind->prefix, job->root, job->hash, job->home, &job->permille,
                            job->checkBytes);
    return 0;
}

static void showProgress(LONG permille) {
    char text[TEXT_CAP], percent[8] = "";
    configString(CFG_RUNTIME_PROGRESS, text, sizeof text);
    appendUnsigned(percent, sizeof percent, (unsigned long)(permille / 10));
    substitutePlaceholder(text, sizeof text, "%PERCENT%", percent);
    setSplashStatus(text);
}

// The job, once its thread ends; meanwhile the splash answers and shows
// how far the copy is. Without a thread, the job runs here.
static void finishJob(CopyJob* job, HANDLE thread) {
    if (!thread) {
        installJob(job);
        return;
    }
    LONG shown = -1;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
        whileBusy();
        LONG now = job->permille;
        if (job->kind->showsProgress && now >= 0 && now / 10 != shown / 10) showProgress(now);
        shown = now;
    }
    CloseHandle(thread);
    // The copy is done: the splash says again what it said before.
    if (shown >= 0 && job->kind->showsProgress) {
        char text[TEXT_CAP];
        configString(CFG_STATUS_TEXT, text, sizeof text);
        setSplashStatus(text);
    }
}

static void runInstallJob(CopyJob* job) { finishJob(job, CreateThread(nullptr, 0, installJob, job, 0, nullptr)); }

// False where the local application data cannot hold it.
static bool installLocally(CopyJob* job, const CopyKind* kind, bool checkBytes) {
    job->kind = kind;
    job->permille = -1;
    job->checkBytes = checkBytes;
    job->confirm = false;
    if (!configString(kind->hash, job->hash, sizeof job->hash) || !job->hash[0]) return false;
    if (!userDataFolder("LOCALAPPDATA", job->root, sizeof job->root) ||
        !appendText(job->root, TEXT_CAP, kind->folder)) {
        job->code = ERR_NO_RUNTIME_FOLDER;
        return false;
    }
    runInstallJob(job);
    if (job->code == 0) return true;
    trace({"parent: the copy cannot be kept in ", job->root});
    job->root[0] = '\0';
    return false;
}

// An elevated start checks the copy's bytes while it makes its child and
// the child starts, which takes as long; the child waits for the check
// before it looks at the copy. After a copy that failed, the next check
// comes first.
static HANDLE checkedEvent = nullptr, checkThread = nullptr;
static bool checkFirst = false;

bool prepareRuntime() {
    CopyJob* job = &runtimeJob;
    // Only this start names the copy and its check: never a variable of the
    // user's environment.
    SetEnvironmentVariableW(L"" HOME_VARIABLE, nullptr);
    SetEnvironmentVariableW(L"" CHECKED_VARIABLE, nullptr);
    bool beside = runsElevated() && !checkFirst;
    checkFirst = false;
    if (!installLocally(job, &RUNTIME_COPY, runsElevated() && !beside)) {
        if (!job->hash[0]) return false;
        // For this start alone, as the included files are: the next start
        // deletes it.
        trace({"parent: the runtime is copied to the temporary folder for this start"});
        job->code = 0;
        job->checkBytes = runsElevated();
        beside = false;
        if (!makeExtractionFolder(job->root)) failInternal(ERR_NO_RUNTIME_FOLDER);
        addTempDir(job->root);
        runInstallJob(job);
        job->root[0] = '\0';
        if (job->code) failInternal(job->code);
    }
    trace({"parent: the runtime inside is in ", job->home});
    WidePath home(job->home);
    SetEnvironmentVariableW(L"" HOME_VARIABLE, home.text);
    if (!beside) return false;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    checkedEvent = CreateEventW(&inherit, TRUE, FALSE, nullptr);
    if (!checkedEvent) failInternal(ERR_NO_RUNTIME_FOLDER);
    char handle[24] = "";
    appendUnsigned(handle, sizeof handle, (unsigned long long)(ULONG_PTR)checkedEvent);
    WidePath value(handle);
    // A child that did not learn to wait would load an unchecked copy.
    if (!value.ok || !SetEnvironmentVariableW(L"" CHECKED_VARIABLE, value.text)) failInternal(ERR_NO_RUNTIME_FOLDER);
    trace({"parent: elevated; the copy's bytes are checked against the launcher's while the child starts"});
    job->confirm = true;
    job->permille = -1;
    checkThread = CreateThread(nullptr, 0, installJob, job, 0, nullptr);
    return true;
}

bool confirmRuntime(HANDLE child) {
    if (!checkedEvent) return true;
    CopyJob* job = &runtimeJob;
    finishJob(job, checkThread);
    checkThread = nullptr;
    job->confirm = false;
    bool checked = job->code == 0;
    bool given = checked && giveHeldCopy(RUNTIME_COPY.type, child);
    if (given) SetEvent(checkedEvent);
    CloseHandle(checkedEvent);
    checkedEvent = nullptr;
    // A child that ended while it waited (a Ctrl+C) is not started again:
    // the monitor reports its end.
    if (given || (checked && WaitForSingleObject(child, 0) == WAIT_OBJECT_0)) return true;
    trace({checked ? "parent: the child could not be given the checked files; the start begins again"
                   : "parent: the copy's bytes are not the launcher's; the start begins again with a new copy"});
    checkFirst = true;
    return false;
}

bool prepareCachedFiles(char* folder) {
    if (!installLocally(&filesJob, &FILES_COPY, runsElevated())) return false;
    copyText(folder, TEXT_CAP, filesJob.home);
    return true;
}

void removeOtherCopyFolders() {
    for (CopyJob* job : {&runtimeJob, &filesJob})
        if (job->root[0] && job->home[0]) removeOtherCopies(job->root, job->home);
}

// The child's copy of the folder it runs from.
static char takenHome[TEXT_CAP] = "";

// Until the parent has checked the copy and this process holds its files;
// a parent that ended without its word leaves nothing to run.
static void waitForCheck(HANDLE parent) {
    char number[24];
    if (!environmentValue(CHECKED_VARIABLE, number, sizeof number)) return;
    SetEnvironmentVariableW(L"" CHECKED_VARIABLE, nullptr);
    HANDLE waits[2] = {(HANDLE)(ULONG_PTR)decimalValue(number), parent};
    trace({"child: waits for the parent's check of the runtime's bytes"});
    DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    CloseHandle(waits[0]);
    if (woke != WAIT_OBJECT_0) ExitProcess(1);
}

void takeRuntimeHome(HANDLE parent) {
    waitForCheck(parent);
    if (!environmentValue(HOME_VARIABLE, takenHome, sizeof takenHome)) return;
    SetEnvironmentVariableW(L"" HOME_VARIABLE, nullptr);
    setRuntimeHome(takenHome);
    holdCopy(takenHome);
}

void runtimeCopyFailed() {
    if (!takenHome[0]) return;
    trace({"child: the VM did not start from ", takenHome, "; the next start copies it again"});
    markCopyDamaged(takenHome);
}

bool runtimeCopyStillTrusted() {
    if (!takenHome[0] || !runsElevated()) return true;
    // Files held since the check cannot change, but one could have been added.
    return copyHoldsOnlyItsCode(appInstance, RUNTIME_COPY.type, RUNTIME_COPY.prefix, takenHome);
}
