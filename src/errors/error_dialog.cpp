#include "errors/error_dialog.h"

#include <cstdlib>

#include "errors/fail.h"
#include "launcher/state.h"
#include "resource.h"

// A log larger than this is shown from its start up to this size, so that
// a runaway log cannot exhaust the parent's memory.
static const DWORD MAX_SHOWN_LOG = 16u * 1024 * 1024;

static HANDLE dialogLog = nullptr;

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

void fillErrorLogText(HWND dialog) {
    DWORD high = 0;
    DWORD size = GetFileSize(dialogLog, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) size = 0;
    if (high || size > MAX_SHOWN_LOG) size = MAX_SHOWN_LOG;
    char* text = (char*)malloc((size_t)size + 1);
    if (!text) return;
    DWORD got = 0;
    if (SetFilePointer(dialogLog, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(dialogLog, text, size, &got, nullptr))
        got = 0;
    text[got] = '\0';
    SetDlgItemTextA(dialog, IDC_ERROR_LOG_TEXT, text);
    free(text);
}

INT_PTR CALLBACK errorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        centerOverParent(dialog);
        fillErrorLogText(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

void failWithErrorLog(HANDLE errorLog) {
    exitCleanup(true);
    dialogLog = errorLog;
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_ERROR_LOG), nullptr, errorDialogProc, 0);
    ExitProcess(1);
}
