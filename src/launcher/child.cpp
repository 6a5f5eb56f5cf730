#include "launcher/child.h"

#include "launcher/cmdline_text.h"
#include "launcher/runtime_home.h"
#include "app/open_handler.h"
#include "app/run_application.h"
#include "app/vm_print.h"
#include "app/vm_options.h"
#include "errors/fail.h"
#include "errors/message_text.h"
#include "files/paths.h"
#include "files/text.h"
#include "files/trace.h"
#include "jvm/candidate.h"
#include "jvm/dll_diagnosis.h"
#include "jvm/find_jvm.h"
#include "jvm/image_text.h"
#include "jvm/search_report_text.h"
#include "jvm/search_text.h"
#include "config/config.h"
#include "config/state.h"
#include "files/wide.h"
#include "supervise/comm_text.h"
#include "supervise/splash.h"
#include "supervise/taskbar.h"



// Below a message, what the user can copy (Ctrl+C) to whoever helps them:
// after a blank line, what the VM said as it died in its start; with 148
// on, why the chosen VM would not load and what the search found.
static void explain(char* text, size_t cap, const char* javaPath) {
    char said[TEXT_CAP / 2];
    // A VM that refused the options of a file: the user learns which file to mend.
    if (vmStartWords(said, sizeof said)) {
        appendTexts(text, cap, {"\n\n", said});
        if (*optionFilesUsed()) appendTexts(text, cap, {"\n\nOptions were added from\n", optionFilesUsed()});
    }
    if (!configInt(CFG_SEARCH_REPORT)) return;
    char reason[TEXT_CAP] = "", lines[TEXT_CAP], minVersion[TEXT_CAP], maxVersion[TEXT_CAP];
    const char* library = nullptr;
    DWORD error = jvmLoadError(&library);
    if (javaPath) describeLoadFailure(javaPath, error, library, reason, sizeof reason);
    configString(CFG_MIN_VERSION, minVersion, sizeof minVersion);
    configString(CFG_MAX_VERSION, maxVersion, sizeof maxVersion);
    searchReportText(searchReport(), minVersion, maxVersion, ownMachine(), lines, sizeof lines);
    if (reason[0]) appendTexts(text, cap, {"\n\n", reason});
    if (lines[0]) appendTexts(text, cap, {"\n\n", lines});
}

// The configured message exactly, then what explains it.
[[noreturn]] static void failExplained(ConfigId id, const char* placeholder, const char* value,
                                       const char* javaPath) {
    char text[TEXT_CAP];
    messageText(id, text, sizeof text);
    if (placeholder && value) substitutePlaceholder(text, sizeof text, placeholder, value);
    explain(text, sizeof text, javaPath);
    failWithText(text);
}

[[noreturn]] static void failToStart(JvmSource source, const char* reportedName, const char* javaPath) {
    switch (source) {
        case JVM_FROM_PATH: failExplained(MSG_JVM_FROM_PATH, nullptr, nullptr, javaPath);
        case JVM_FROM_DEFINED_PATH: failExplained(MSG_JVM_FROM_DEFINED_PATH, "%DEFINED_PATH%", reportedName, javaPath);
        case JVM_FROM_ENV_VAR: failExplained(MSG_JVM_FROM_ENV_VAR, "%ENV_VAR_NAME%", reportedName, javaPath);
        default: failExplained(MSG_JVM_NOT_STARTED, nullptr, nullptr, javaPath);
    }
}

// Where the Javas found are only of the other bitness or outside the
// bounds, the message leads with what is needed (1018 names the Java of
// the other bitness), not with a search for a Java that is already there;
// the report follows where it is on.
[[noreturn]] static void failNoJvm() {
    const ForeignJava* foreign = foreignJavaSeen();
    bool report = configInt(CFG_SEARCH_REPORT) != 0;
    char text[TEXT_CAP];
    if (foreign && (!report || onlyUnsuitableJavas(searchReport()))) {
        char pattern[TEXT_CAP];
        const char* needed = machineWords(ownMachine(), foreign->machine);
        messageText(MSG_WRONG_BITNESS, pattern, sizeof pattern, needed);
        wrongBitnessText(text, sizeof text, pattern, foreign->version, foreign->home,
                         machineWords(foreign->machine, ownMachine()), needed);
    } else {
        messageText(MSG_NO_JVM, text, sizeof text);
    }
    explain(text, sizeof text, nullptr);
    failNeedingJava(text);
}

// What the search found, for a VM that then fails to start: its own hooks
// may report that from any thread of the VM.
static JvmSource foundSource = JVM_NOT_FOUND;
static char foundName[TEXT_CAP] = "";
static char foundPath[TEXT_CAP] = "";

static void failFoundJvm() {
    // Only a library that will not load tells of a damaged copy: options,
    // memory or a VM's own refusal would make every start copy again.
    if (foundSource == JVM_FROM_RUNTIME && vmLibraryRefused()) runtimeCopyFailed();
    failToStart(foundSource, foundName, foundPath);
}

// A crash's report names the file; the source of the Java is no matter.
[[noreturn]] static void failCrashed(const char* report) {
    failExplained(MSG_JVM_CRASHED, "%FILE_NAME%", report, foundPath);
}

static char commFile[TEXT_CAP] = "";

void endChild(bool beforeError) {
    if (!beforeError) return;
    // Before the message: its window must not read as the application's,
    // and a later start must not hand its document to a failed one.
    if (commFile[0]) appendToFile(commFile, START_FAILED_RECORD);
    openRequestsEnd();
    hideParentSplash(true);
}

// The parent decides by these records whether the start succeeded: a
// write that a scanner refused once is tried again.
static void tellRecord(const char* record) {
    for (int attempt = 0; attempt < 5; ++attempt, Sleep(20))
        if (appendToFile(commFile, record)) return;
    trace({"child: the record ", record, " could not be written"});
}

// A record with text of the child's own: a "|" in it would end the record
// early, and the text is cut to fit.
static void tellParent(const char* head, const char* text) {
    char record[TEXT_CAP];
    copyText(record, sizeof record, head);
    for (; *text; ++text)
        if (!appendChars(record, sizeof record - 1, *text == '|' ? "/" : text, 1)) break;
    appendText(record, sizeof record, "|");
    tellRecord(record);
}

static void tellMainThrew(const char* words) { tellParent(MAIN_THREW_RECORD, words); }

// The parent learns which options files the VM was given, so that a VM
// that ends the process in its start without a word is reported with them.
static void tellVmStarts() {
    if (*optionFilesUsed()) tellParent(OPTION_FILES_RECORD, optionFilesUsed());
}

static void tellApplicationRuns() { tellRecord(APPLICATION_RUNS_RECORD); }

// Only the launcher's own parent makes a child: it hands down a handle to
// itself, and the child finds that the handle's process is the one that
// made it, running this program as this user at this level. A command line
// alone, typed or sent by any other process (or a start again of a
// hand-over), never names the communication file and folder of a child.
static HANDLE ownParent = nullptr;
static bool madeByOwnParent(const char* handleText) {
    HANDLE parent = (HANDLE)(ULONG_PTR)decimalValue(handleText);
    DWORD id = parent ? GetProcessId(parent) : 0;
    if (!id) return false;
    // Made by it, this process has its user and level; the image tells the
    // program.
    wchar_t mine[TEXT_CAP], theirs[TEXT_CAP];
    DWORD mineLength = TEXT_CAP, theirsLength = TEXT_CAP;
    bool same = id == parentProcessId() && QueryFullProcessImageNameW(GetCurrentProcess(), 0, mine, &mineLength) &&
                QueryFullProcessImageNameW(parent, 0, theirs, &theirsLength) && lstrcmpiW(mine, theirs) == 0;
    // Kept while the child waits for the parent's word on the runtime.
    if (same) ownParent = parent;
    else CloseHandle(parent);
    return same;
}

// The child's parameters: its communication file, the included files'
// folder, its parent's handle and the count of the user's -J words; then
// the user's words.
static const char* readChildLine(const char* tail, char* extractDir, size_t* optionCount) {
    char handle[24], count[24];
    const char* at = tail;
    bool whole = readQuotedParamText(at, commFile, sizeof commFile, &at) == PARAM_OK &&
                 readQuotedParamText(at, extractDir, TEXT_CAP, &at) == PARAM_OK &&
                 readQuotedParamText(at, handle, sizeof handle, &at) == PARAM_OK &&
                 readQuotedParamText(at, count, sizeof count, &at) == PARAM_OK;
    if (!whole || !madeByOwnParent(handle)) {
        commFile[0] = '\0';
        trace({"child mode refused: not started by this program's own start: ", tail});
        failWithMessage(MSG_WRONG_PARAMETERS);
    }
    *optionCount = (size_t)decimalValue(count);
    return at;
}

void runChildMode(const char* tail) {
    char extractDir[TEXT_CAP];
    size_t optionCount = 0;
    const char* userArgs = readChildLine(tail, extractDir, &optionCount);
    trace({"child: started with ", tail});
    // A window program that passes its console on: the VM hears its
    // Ctrl+C and its closing, as it would under java.exe.
    if (configInt(CFG_CONSOLE) && !builtForConsole()) AttachConsole(ATTACH_PARENT_PROCESS);
    setTaskbarIdentity("child: ");
    takeRuntimeHome(ownParent);
    CloseHandle(ownParent);
    if (configInt(CFG_SINGLE_INSTANCE)) serveOpenRequests();
    foundSource = findJvm(foundPath, foundName);
    if (foundSource == JVM_NOT_FOUND) failNoJvm();
    if (foundSource == JVM_FROM_RUNTIME && !runtimeCopyStillTrusted()) {
        trace({"child: a program or library beside the runtime's own was added after its check"});
        runtimeCopyFailed();
        failFoundJvm();
    }
    ApplicationEnds ends = {failFoundJvm, tellVmStarts, tellApplicationRuns, tellMainThrew, failCrashed};
    ExitProcess(runApplication(foundPath, commFile, extractDir, userArgs, optionCount, ends));
}
