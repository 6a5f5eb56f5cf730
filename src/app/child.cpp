#include "app/child.h"

#include "app/quoted_param_text.h"
#include "app/run_application.h"
#include "errors/fail.h"
#include "files/text.h"
#include "jvm/candidate.h"
#include "jvm/find_jvm.h"
#include "jvm/image_text.h"
#include "jvm/search_text.h"
#include "launcher/config.h"

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

[[noreturn]] static void failToStart(JvmSource source, const char* reportedName) {
    switch (source) {
        case JVM_FROM_PATH: failWithMessage(MSG_JVM_FROM_PATH);
        case JVM_FROM_DEFINED_PATH: failWithMessage(MSG_JVM_FROM_DEFINED_PATH, "%DEFINED_PATH%", reportedName);
        case JVM_FROM_ENV_VAR: failWithMessage(MSG_JVM_FROM_ENV_VAR, "%ENV_VAR_NAME%", reportedName);
        default: failWithMessage(MSG_JVM_NOT_STARTED);
    }
}

// Where the only Java found is of the other bitness, the numbered message
// would send the user looking for a Java that is already there.
[[noreturn]] static void failNoJvm() {
    const ForeignJava* foreign = foreignJavaSeen();
    if (!foreign) failWithMessage(MSG_NO_JVM);
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
    JvmSource source = findJvm(javaPath, reportedName);
    if (source == JVM_NOT_FOUND) failNoJvm();
    if (runApplication(javaPath, commFile, extractDir, userArgs)) return;
    failToStart(source, reportedName);
}
