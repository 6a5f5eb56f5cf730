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
// The internal error of a folder that cannot be made, as for included files.
enum { ERR_NO_RUNTIME_FOLDER = 7 };

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
};
static CopyJob runtimeJob, filesJob;

static DWORD WINAPI installJob(void* raw) {
    CopyJob* job = (CopyJob*)raw;
    bool checkBytes = runsElevated();
    if (checkBytes) trace({"parent: elevated; the copy's bytes are checked against its hash"});
    job->code = installCopy(appInstance, job->kind->type, job->kind->prefix, job->root, job->hash, job->home,
                            &job->permille, checkBytes);
    return 0;
}

static void showProgress(LONG permille) {
    char text[TEXT_CAP], percent[8] = "";
    configString(CFG_RUNTIME_PROGRESS, text, sizeof text);
    appendUnsigned(percent, sizeof percent, (unsigned long)(permille / 10));
    substitutePlaceholder(text, sizeof text, "%PERCENT%", percent);
    setSplashStatus(text);
}

// The copy runs on a thread of its own, so that the splash answers and
// shows how far it is.
static void runInstallJob(CopyJob* job) {
    HANDLE thread = CreateThread(nullptr, 0, installJob, job, 0, nullptr);
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

// False where the local application data cannot hold it.
static bool installLocally(CopyJob* job, const CopyKind* kind) {
    job->kind = kind;
    job->permille = -1;
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

void prepareRuntime() {
    CopyJob* job = &runtimeJob;
    if (!installLocally(job, &RUNTIME_COPY)) {
        if (!job->hash[0]) return;
        // For this start alone, as the included files are: the next start
        // deletes it.
        trace({"parent: the runtime is copied to the temporary folder for this start"});
        job->code = 0;
        if (!makeExtractionFolder(job->root)) failInternal(ERR_NO_RUNTIME_FOLDER);
        addTempDir(job->root);
        runInstallJob(job);
        job->root[0] = '\0';
        if (job->code) failInternal(job->code);
    }
    trace({"parent: the runtime inside is in ", job->home});
    WidePath home(job->home);
    SetEnvironmentVariableW(L"" HOME_VARIABLE, home.text);
}

bool prepareCachedFiles(char* folder) {
    if (!installLocally(&filesJob, &FILES_COPY)) return false;
    copyText(folder, TEXT_CAP, filesJob.home);
    return true;
}

void removeOtherCopyFolders() {
    for (CopyJob* job : {&runtimeJob, &filesJob})
        if (job->root[0] && job->home[0]) removeOtherCopies(job->root, job->home);
}

// The child's copy of the folder it runs from.
static char takenHome[TEXT_CAP] = "";

void takeRuntimeHome() {
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
