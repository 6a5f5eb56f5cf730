#include "errors/error_dialog.h"

#include <cstdlib>

#include "errors/fail.h"
#include "files/paths.h"
#include "files/trace.h"
#include "files/wide.h"
#include "config/state.h"
#include "resource.h"

// A log larger than this is shown from its start up to this size, so that
// a runaway log cannot exhaust the parent's memory.
static const DWORD MAX_SHOWN_LOG = 16u * 1024 * 1024;

static const char* dialogLogPath = "";
static bool dialogNamesLog = false;

void centerOverParent(HWND window) {
    HWND reference = GetParent(window);
    if (!reference) reference = GetDesktopWindow();
    RECT outer, own;
    GetWindowRect(reference, &outer);
    GetWindowRect(window, &own);
    int x = outer.left + ((outer.right - outer.left) - (own.right - own.left)) / 2;
    int y = outer.top + ((outer.bottom - outer.top) - (own.bottom - own.top)) / 2;
    SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

// The log's bytes as the edit control shows them: UTF-8 where they are, the
// ANSI code page otherwise (an older application's output).
static wchar_t* logTextToWide(const char* bytes, int length) {
    UINT codePage = CP_UTF8;
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, nullptr, 0);
    if (n <= 0) {
        codePage = CP_ACP;
        n = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
    }
    wchar_t* wide = (wchar_t*)malloc(((size_t)(n > 0 ? n : 0) + 1) * sizeof(wchar_t));
    if (!wide) return nullptr;
    if (n > 0) MultiByteToWideChar(codePage, 0, bytes, length, wide, n);
    wide[n > 0 ? n : 0] = L'\0';
    return wide;
}

// Read through a handle of the dialog's own, so that the child's writes
// keep their place; NUL bytes (left by a start that cut a log still being
// written) show as blanks rather than end the text.
void fillErrorLogText(HWND dialog) {
    size_t got = 0;
    char* text = readFileAlloc(dialogLogPath, MAX_SHOWN_LOG, &got);
    if (!text) return;
    for (size_t i = 0; i < got; ++i)
        if (text[i] == '\0') text[i] = ' ';
    wchar_t* wide = logTextToWide(text, (int)got);
    if (wide) SetDlgItemTextW(dialog, IDC_ERROR_LOG_TEXT, wide);
    free(wide);
    free(text);
}

// The line above the log names this product, not the template's.
static void fillIntro(HWND dialog) {
    char text[TEXT_CAP];
    messageText(MSG_ERROR_LOG_INTRO, text, sizeof text);
    WidePath wide(text);
    if (wide.ok) SetDlgItemTextW(dialog, IDC_ERROR_LOG_INTRO, wide.text);
}

INT_PTR CALLBACK errorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        centerOverParent(dialog);
        fillIntro(dialog);
        fillErrorLogText(dialog);
        if (dialogNamesLog) {
            // Copied, not initialised: clang would keep the whole buffer's image.
            char caption[TEXT_CAP];
            copyText(caption, sizeof caption, "Error \xE2\x80\x94 ");
            appendText(caption, sizeof caption, dialogLogPath);
            WidePath wide(caption);
            if (wide.ok) SetWindowTextW(dialog, wide.text);
        }
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

void failWithErrorLog(const char* logPath, bool elsewhere) {
    trace({"end with the error log ", logPath});
    exitCleanup(true);
    if (messagesAsText()) {
        char text[TEXT_CAP];
        messageText(MSG_ERROR_LOG_INTRO, text, sizeof text);
        appendTexts(text, sizeof text, {"\n", logPath});
        printToStandardError(text);
        ExitProcess(1);
    }
    dialogLogPath = logPath;
    dialogNamesLog = elsewhere;
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_ERROR_LOG), nullptr, errorDialogProc, 0);
    ExitProcess(1);
}
