#include "launcher/child.h"

#include "launcher/cmdline_text.h"
#include "app/run_application.h"
#include "errors/fail.h"
#include "errors/message_text.h"
#include "files/text.h"
#include "files/trace.h"
#include "jvm/candidate.h"
#include "jvm/dll_diagnosis.h"
#include "jvm/find_jvm.h"
#include "jvm/image_text.h"
#include "jvm/search_report_text.h"
#include "jvm/search_text.h"
#include "config/config.h"

const char* readQuotedParam(const char* at, char* dst, size_t cap) {
    const char* next = at;
    switch (readQuotedParamText(at, dst, cap, &next)) {
        case PARAM_NO_BEGIN: failAssertion("beginOfParam");
        case PARAM_NO_END: failAssertion("endOfParam");
        case PARAM_TOO_LONG: failAssertion("paramLength < TEXT_CAP");
        case PARAM_OK: break;
    }
    return next;
}


// The configured message exactly; with 148 on, after a blank line, why the
// chosen VM would not load and what the search found, so that a user can
// copy the box's text (Ctrl+C) to whoever helps them.
[[noreturn]] static void failExplained(ConfigId id, const char* placeholder, const char* value,
                                       const char* javaPath) {
    if (!configInt(CFG_SEARCH_REPORT)) failWithMessage(id, placeholder, value);
    char text[TEXT_CAP], reason[TEXT_CAP] = "", lines[TEXT_CAP], minVersion[TEXT_CAP], maxVersion[TEXT_CAP];
    configString(id, text, sizeof text);
    if (placeholder && value) substitutePlaceholder(text, sizeof text, placeholder, value);
    if (javaPath) describeLoadFailure(javaPath, reason, sizeof reason);
    configString(CFG_MIN_VERSION, minVersion, sizeof minVersion);
    configString(CFG_MAX_VERSION, maxVersion, sizeof maxVersion);
    searchReportText(searchReport(), minVersion, maxVersion, machineWords(ownMachine()), lines, sizeof lines);
    if (reason[0]) appendTexts(text, sizeof text, {"\n\n", reason});
    if (lines[0]) appendTexts(text, sizeof text, {"\n\n", lines});
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

// Where the only Java found is of the other bitness, the numbered message
// would send the user looking for a Java that is already there.
[[noreturn]] static void failNoJvm() {
    const ForeignJava* foreign = foreignJavaSeen();
    // The report names a Java of the other bitness itself.
    if (!foreign || configInt(CFG_SEARCH_REPORT)) failExplained(MSG_NO_JVM, nullptr, nullptr, nullptr);
    const char* found = machineWords(foreign->machine);
    char text[TEXT_CAP], pattern[TEXT_CAP];
    configString(MSG_WRONG_BITNESS, pattern, sizeof pattern);
    wrongBitnessText(text, sizeof text, pattern, foreign->version, foreign->home,
                     found ? found : "another machine's", machineWords(ownMachine()));
    failWithText(text);
}

void runChildMode(const char* tail) {
    char commFile[TEXT_CAP], extractDir[TEXT_CAP];
    const char* at = readQuotedParam(tail, commFile, sizeof commFile);
    const char* userArgs = readQuotedParam(at, extractDir, sizeof extractDir);
    char javaPath[TEXT_CAP], reportedName[TEXT_CAP] = "";
    trace({"child: started with ", tail});
    JvmSource source = findJvm(javaPath, reportedName);
    if (source == JVM_NOT_FOUND) failNoJvm();
    if (runApplication(javaPath, commFile, extractDir, userArgs)) return;
    failToStart(source, reportedName, javaPath);
}
