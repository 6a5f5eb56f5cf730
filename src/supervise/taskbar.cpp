#include "supervise/taskbar.h"

#include <windows.h>

#include "config/config.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"

typedef HRESULT(WINAPI* SetIdFunction)(const wchar_t* id);

void setTaskbarIdentity(const char* who) {
    wchar_t id[TEXT_CAP];
    if (!configStringWide(CFG_APP_USER_MODEL_ID, id, TEXT_CAP) || !id[0]) return;
    // shell32 is loaded only for a product that asks for this.
    HMODULE shell = LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!shell) shell = LoadLibraryW(L"shell32.dll");
    SetIdFunction set = shell ? (SetIdFunction)(void*)GetProcAddress(shell, "SetCurrentProcessExplicitAppUserModelID")
                              : nullptr;
    HRESULT result = set ? set(id) : E_NOTIMPL;
    char text[TEXT_CAP], code[24] = "";
    toUtf8(id, text, sizeof text);
    appendUnsigned(code, sizeof code, (unsigned long)result);
    trace({who, "taskbar identity ", text, SUCCEEDED(result) ? ": set" : ": refused, ", SUCCEEDED(result) ? "" : code});
}
