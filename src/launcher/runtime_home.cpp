#include "launcher/runtime_home.h"

#include <windows.h>

#include "config/config.h"
#include "config/data_folder.h"
#include "config/state.h"
#include "errors/fail.h"
#include "errors/message_text.h"
#include "files/busy.h"
#include "files/extract.h"
#include "files/runtime_cache.h"
#include "files/temp_records.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "jvm/find_jvm.h"
#include "supervise/splash.h"

// The one way from the parent to the child's search; removed in the child.
static const wchar_t HOME_VARIABLE[] = L"TARVO_RUNTIME_HOME";
// The internal error of a folder that cannot be made, as for included files.
enum { ERR_NO_RUNTIME_FOLDER = 7 };

struct RuntimeJob {
    char hash[80];
    char root[TEXT_CAP];
    char home[TEXT_CAP];
    volatile LONG permille;
    int code;
};
static RuntimeJob job;

static DWORD WINAPI installJob(void*) {
    job.code = installRuntime(appInstance, job.root, job.hash, job.home, &job.permille);
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
static void runInstallJob() {
    HANDLE thread = CreateThread(nullptr, 0, installJob, nullptr, 0, nullptr);
    if (!thread) {
        installJob(nullptr);
        return;
    }
    LONG shown = -1;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
        whileBusy();
        LONG now = job.permille;
        if (now / 10 != shown / 10) showProgress(now);
        shown = now;
    }
    CloseHandle(thread);
}

void prepareRuntime() {
    if (!configString(CFG_RUNTIME_HASH, job.hash, sizeof job.hash) || !job.hash[0]) return;
    job.permille = -1;
    bool local = userDataFolder("LOCALAPPDATA", job.root, sizeof job.root) && appendText(job.root, TEXT_CAP, "runtime");
    if (local) runInstallJob();
    // Where the user's local data cannot be written, it is copied for this
    // start alone, as the included files are, and the next start deletes it.
    if (!local || job.code) {
        trace({"parent: the runtime cannot be kept in ", local ? job.root : "the local application data",
               "; it is copied to the temporary folder for this start"});
        job.code = 0;
        if (!makeExtractionFolder(job.root)) failInternal(ERR_NO_RUNTIME_FOLDER);
        addTempDir(job.root);
        runInstallJob();
        job.root[0] = '\0';
    }
    if (job.code) failInternal(job.code);
    trace({"parent: the runtime inside is in ", job.home});
    WidePath home(job.home);
    SetEnvironmentVariableW(HOME_VARIABLE, home.text);
}

void removeOtherRuntimeFolders() {
    if (job.root[0] && job.home[0]) removeOtherRuntimes(job.root, job.home);
}

void takeRuntimeHome() {
    char home[TEXT_CAP];
    if (!environmentValue("TARVO_RUNTIME_HOME", home, sizeof home)) return;
    SetEnvironmentVariableW(HOME_VARIABLE, nullptr);
    setRuntimeHome(home);
}
