// A console as cmd gives one: console_host OUT COMMAND-LINE starts the
// command line in a console of its own and waits for it, then writes what
// that console shows to OUT, UTF-8, one line a row with blanks cut, and ends
// with the started program's exit code. With "-" for OUT it starts the
// command line as Explorer starts a window program, with no console
// anywhere; with "+", as Explorer starts a console program, which the
// system gives a console of its own. Where the variable CTRL_C_WHEN names a
// file, a Ctrl+C goes to the console once that file exists.
#include <windows.h>

#include <string>

BOOL WINAPI stayForTheScreen(DWORD) { return TRUE; }

int main() {
    const wchar_t* line = GetCommandLineW();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(line, &argc);
    if (argc < 3) return 90;
    // The rest of the line after the second word, as it stands.
    const wchar_t* rest = wcsstr(line, argv[2]);
    if (rest > line && rest[-1] == L'"') --rest;
    std::wstring command = rest;
    FreeConsole();
    bool none = std::wstring(argv[1]) == L"-", own = std::wstring(argv[1]) == L"+";
    if (!none && !own && !AllocConsole()) return 91;
    // The host itself stays for the screen; its handler is not inherited.
    SetConsoleCtrlHandler(stayForTheScreen, TRUE);
    wchar_t when[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"CTRL_C_WHEN", when, MAX_PATH);
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, none ? DETACHED_PROCESS : 0, nullptr, nullptr,
                        &si, &pi))
        return 92;
    for (int waited = 0; waited < 60000 && WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT; waited += 50) {
        if (!*when || GetFileAttributesW(when) == INVALID_FILE_ATTRIBUTES) continue;
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
        *when = L'\0';
    }
    DWORD code = 93;
    GetExitCodeProcess(pi.hProcess, &code);
    if (none || own) return (int)code;
    // Its child may still be writing a moment after it ended.
    Sleep(300);
    HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    std::string shown;
    if (GetConsoleScreenBufferInfo(screen, &info)) {
        for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
            std::wstring row(info.dwSize.X, L' ');
            DWORD got = 0;
            ReadConsoleOutputCharacterW(screen, &row[0], info.dwSize.X, COORD{0, y}, &got);
            row.resize(row.find_last_not_of(L' ') + 1);
            char utf8[4096];
            int n = WideCharToMultiByte(CP_UTF8, 0, row.c_str(), (int)row.size(), utf8, sizeof utf8, nullptr, nullptr);
            shown.append(utf8, n > 0 ? n : 0);
            shown += "\n";
        }
    }
    HANDLE out = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(out, shown.data(), (DWORD)shown.size(), &written, nullptr);
    CloseHandle(out);
    return (int)code;
}
