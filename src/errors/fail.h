// Every orderly end of a launcher process. None of these returns.
#pragma once
#include <windows.h>

#include "config/config.h"

// A console tool's messages go to standard error as text, unless the
// product asks for boxes.
bool messagesAsText();
[[noreturn]] void failWithMessage(ConfigId id, const char* placeholder = nullptr, const char* value = nullptr);
// Ends the process with `code`, 1 unless told.
[[noreturn]] void failWithText(const char* text, unsigned code = 1);
// A message that the user can only answer with another Java: where the
// product names a download page, the box offers to open it (Yes/No).
[[noreturn]] void failNeedingJava(const char* text);
// A configured message with the product's words filled in (%NAME%,
// %MIN_VERSION%, %NEEDED_BITS%, or `neededBits` where given); returns its
// length.
size_t messageText(ConfigId id, char* text, size_t cap, const char* neededBits = nullptr);
// `elsewhere`: the log is not where the product put it (the user's data
// folder, or a second instance's numbered log), so the dialog names it.
[[noreturn]] void failWithErrorLog(const char* logPath, bool elsewhere = false);
// The parent's end with 0: the application is up, or the child ended
// without a window and without an error to show; with the child's code
// where a console waits for it.
[[noreturn]] void exitNormally(unsigned code = 0);
// The parent's end with 1 (or the child's code) after a start that failed:
// the child has shown its message, or the product shows none.
[[noreturn]] void exitAfterFailedStart(unsigned code = 1);
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

// Codes of the internal-error message.
enum {
    ERR_CHILD_EXIT_CODE = 2,
    ERR_COMM_READ = 3,
    ERR_CHILD_START = 6,
    ERR_NO_TIMER = 13,
};
[[noreturn]] void failInternal(int code);
