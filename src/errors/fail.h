// Every orderly end of a launcher process. None of these returns.
#pragma once
#include <windows.h>

[[noreturn]] void failWithMessage(unsigned id, const char* placeholder = nullptr, const char* value = nullptr);
[[noreturn]] void failWithText(const char* text);
[[noreturn]] void failWithErrorLog(const char* logPath);
[[noreturn]] void exitSuccess();
// What the process must do before it ends, handed down by the entry point:
// the parent stops its monitor, and before an error both processes hide the
// splash, so that no error opens behind it. On a successful end the splash
// simply goes with the process.
void setExitHook(void (*hook)(bool beforeError));
// Runs the exit hook and records this run's temporary paths.
void exitCleanup(bool beforeError = false);
// A broken internal invariant of the child: names the expression and the
// unit, and stops the process.
[[noreturn]] void failAssertion(const char* expression);

enum {
    MSG_CAPTION = 1001,
    MSG_NO_JVM = 1005,
    MSG_JVM_FROM_PATH = 1006,
    MSG_JVM_FROM_ENV_VAR = 1007,
    MSG_JVM_FROM_DEFINED_PATH = 1008,
    MSG_JVM_NOT_STARTED = 1009,
    MSG_FILE_NOT_FOUND = 1010,
    MSG_WRONG_PARAMETERS = 1011,
    MSG_ENV_VAR_UNDEFINED = 1012,
    MSG_INTERNAL_ERROR = 1013,
    MSG_NO_MAIN_CLASS = 1014,
    MSG_NO_MAIN_METHOD = 1015,
    MSG_COMMAND_LINE_TOO_LONG = 1016,
    MSG_OUT_OF_MEMORY = 1017,
    MSG_WRONG_BITNESS = 1018,
    MSG_PATH_NOT_PASSABLE = 1019,
};

// Codes of the internal-error message.
enum {
    ERR_CHILD_EXIT_CODE = 2,
    ERR_COMM_READ = 3,
    ERR_CHILD_START = 6,
    ERR_NO_TIMER = 13,
};
[[noreturn]] void failInternal(int code);
