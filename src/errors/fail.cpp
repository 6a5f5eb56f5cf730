#include "errors/fail.h"

#include <cstdlib>
#include <cstring>

#include "errors/message_text.h"
#include "files/temp_records.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "config/config.h"
#include "config/state.h"

static void (*exitHook)(bool) = nullptr;

void setExitHook(void (*hook)(bool)) { exitHook = hook; }

static void runExitHook(bool beforeError) {
    if (exitHook) exitHook(beforeError);
}

void exitCleanup(bool beforeError) {
    runExitHook(beforeError);
    recordTempPaths();
}

// The bitness of Java this launcher can load.
#if defined(__aarch64__)
static const char OWN_BITS[] = "ARM64";
#elif defined(_WIN64)
static const char OWN_BITS[] = "64-bit";
#else
static const char OWN_BITS[] = "32-bit";
#endif

size_t messageText(ConfigId id, char* text, size_t cap, const char* neededBits) {
    char name[TEXT_CAP], minVersion[TEXT_CAP];
    configString(id, text, cap);
    if (!strchr(text, '%')) return strlen(text);
    productName(name, sizeof name);
    configString(CFG_MIN_VERSION, minVersion, sizeof minVersion);
    fillProductWords(text, cap, name, minVersion, neededBits ? neededBits : OWN_BITS);
    return strlen(text);
}

void failWithMessage(ConfigId id, const char* placeholder, const char* value) {
    char text[TEXT_CAP];
    messageText(id, text, sizeof text);
    if (placeholder && value) substitutePlaceholder(text, sizeof text, placeholder, value);
    failWithText(text);
}

bool messagesAsText() { return builtForConsole() && !configInt(CFG_MESSAGE_DIALOGS); }

// The process's last words: the clean-up, then the box, in front of
// whatever the user has open, never behind it; the user's answer.
static int endWithBox(const char* text, UINT buttons) {
    trace({"end with the message: ", text});
    exitCleanup(true);
    // A tool's user reads it where the tool's words go, and a script can.
    if (messagesAsText()) {
        printToStandardError(text);
        return IDNO;
    }
    char caption[TEXT_CAP];
    configString(MSG_CAPTION, caption, sizeof caption);
    return messageBox(text, caption, buttons | MB_ICONERROR | MB_SETFOREGROUND);
}

void failWithText(const char* text, unsigned code) {
    endWithBox(text, MB_OK);
    ExitProcess(code);
}

// The shell is loaded only for the one start that needs it.
static void openPage(const char* url) {
    typedef HINSTANCE(WINAPI * ShellExecuteFunction)(HWND, const wchar_t*, const wchar_t*, const wchar_t*,
                                                     const wchar_t*, int);
    HMODULE shell = LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A Windows 7 without the update that knows that flag: the system
    // folder by its full path.
    wchar_t path[MAX_PATH + 16];
    UINT length = shell ? 0 : GetSystemDirectoryW(path, MAX_PATH);
    if (length && length < MAX_PATH) {
        lstrcatW(path, L"\\shell32.dll");
        shell = LoadLibraryW(path);
    }
    ShellExecuteFunction execute =
        shell ? (ShellExecuteFunction)(void*)GetProcAddress(shell, "ShellExecuteW") : nullptr;
    wchar_t* wide = allocWide(url);
    INT_PTR result = execute && wide ? (INT_PTR)execute(nullptr, L"open", wide, nullptr, nullptr, SW_SHOWNORMAL) : 0;
    trace({"open ", url, result > 32 ? "" : ": refused"});
    free(wide);
}

void failNeedingJava(const char* text) {
    char url[TEXT_CAP];
    // Only an address the builder took: never a program or a file.
    if (!configString(CFG_DOWNLOAD_URL, url, sizeof url) || _strnicmp(url, "https:", 6) != 0) failWithText(text);
    char question[TEXT_CAP], whole[TEXT_CAP];
    if (messagesAsText()) {
        copyText(whole, sizeof whole, text);
        appendTexts(whole, sizeof whole, {"\n\n", url});
        failWithText(whole);
    }
    messageText(MSG_OFFER_DOWNLOAD, question, sizeof question);
    substitutePlaceholder(question, sizeof question, "%URL%", url);
    copyText(whole, sizeof whole, text);
    appendTexts(whole, sizeof whole, {"\n\n", question});
    if (endWithBox(whole, MB_YESNO) == IDYES) openPage(url);
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

void exitAfterFailedStart(unsigned code) {
    trace({"end: the child's start failed"});
    exitCleanup(true);
    ExitProcess(code);
}

void failAssertion(const char* expression) {
    // Copied, not initialised: clang would keep the whole buffer's image.
    char text[TEXT_CAP];
    copyText(text, sizeof text, "Assertion failed!\n\nUnit: AppLoader\nExpression: ");
    appendText(text, sizeof text, expression);
    runExitHook(true);
    if (messagesAsText()) printToStandardError(text);
    else messageBox(text, "AppLoader", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    ExitProcess(3);
}
