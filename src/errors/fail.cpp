#include "errors/fail.h"

#include "errors/message_text.h"
#include "files/temp_records.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "config/config.h"

static void (*exitHook)(bool) = nullptr;

void setExitHook(void (*hook)(bool)) { exitHook = hook; }

static void runExitHook(bool beforeError) {
    if (exitHook) exitHook(beforeError);
}

void exitCleanup(bool beforeError) {
    runExitHook(beforeError);
    recordTempPaths();
}

void failWithMessage(ConfigId id, const char* placeholder, const char* value) {
    char text[TEXT_CAP];
    configString(id, text, sizeof text);
    if (placeholder && value) substitutePlaceholder(text, sizeof text, placeholder, value);
    failWithText(text);
}

void failWithText(const char* text) {
    trace({"end with the message: ", text});
    exitCleanup(true);
    char caption[TEXT_CAP];
    configString(MSG_CAPTION, caption, sizeof caption);
    // In front of whatever the user has open, never behind it.
    messageBox(text, caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    ExitProcess(1);
}

void failInternal(int code) {
    char value[16] = "";
    appendUnsigned(value, sizeof value, (unsigned long)code);
    failWithMessage(MSG_INTERNAL_ERROR, "%ERROR_CODE%", value);
}

void exitNormally(unsigned code) {
    trace({"end: the application is up"});
    exitCleanup();
    ExitProcess(code);
}

void exitAfterFailedStart() {
    trace({"end: the child's start failed"});
    exitCleanup(true);
    ExitProcess(1);
}

void failAssertion(const char* expression) {
    char text[TEXT_CAP] = "Assertion failed!\n\nUnit: AppLoader\nExpression: ";
    appendText(text, sizeof text, expression);
    runExitHook(true);
    messageBox(text, "AppLoader", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    ExitProcess(3);
}
