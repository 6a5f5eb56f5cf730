// Stands in for the launcher's child and the application in it. The parent
// starts it when the launcher is run under a command line that names this
// program. It acts out the steps of TARVO_SCRIPT, one a line:
//   cmdline=PATH   write the own command line to PATH
//   stderr=TEXT    write TEXT to standard error
//   stdout=TEXT    write TEXT to standard output
//   comm=TEXT      append TEXT to the communication file
//   commhex=HEX    append bytes given in hex
//   window         show a visible top-level window
//   box=TEXT       show a message box until it is closed
//   sleep=MS
//   exit=CODE      end with CODE (the default end is 0)
#include <windows.h>

#include <cstdlib>
#include <string>

#include "standin_text.h"

static std::string commPath() {
    std::string line = GetCommandLineA();
    size_t open = line.find('\'');
    size_t close = open == std::string::npos ? open : line.find('\'', open + 1);
    if (close == std::string::npos) return "";
    std::string path = line.substr(open + 1, close - open - 1);
    for (char& c : path)
        if (c == '*') c = '\'';
    return path;
}

static void appendTo(const std::string& path, const std::string& bytes, DWORD share) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    SetFilePointer(f, 0, nullptr, FILE_END);
    DWORD n;
    WriteFile(f, bytes.data(), (DWORD)bytes.size(), &n, nullptr);
    CloseHandle(f);
}

static void writeStd(DWORD which, const std::string& text) {
    DWORD n;
    WriteFile(GetStdHandle(which), text.data(), (DWORD)text.size(), &n, nullptr);
}

static std::string fromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back((char)strtol(hex.substr(i, 2).c_str(), nullptr, 16));
    return out;
}

static void showWindow() {
    HWND w = CreateWindowExA(0, "STATIC", "Stand-in application", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                             100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
}

static void pump(DWORD ms) {
    DWORD until = GetTickCount() + ms;
    while ((LONG)(until - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

// The harness finds a launcher's child by polling; a stand-in that ended
// within a few milliseconds could pass unseen, so each lives a little.
enum { LIFETIME_FLOOR_MS = 150 };

[[noreturn]] static void endAfterFloor(UINT code) {
    Sleep(LIFETIME_FLOOR_MS);
    ExitProcess(code);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* script = getenv("TARVO_SCRIPT");
    std::string steps = script ? script : "";
    size_t at = 0;
    while (at < steps.size()) {
        size_t end = steps.find('\n', at);
        if (end == std::string::npos) end = steps.size();
        std::string step = steps.substr(at, end - at);
        at = end + 1;
        size_t eq = step.find('=');
        std::string verb = step.substr(0, eq), path = eq == std::string::npos ? "" : step.substr(eq + 1);
        std::string arg = unescapeScript(path);
        if (verb == "cmdline") appendTo(path, GetCommandLineA(), 0);
        else if (verb == "stderr") writeStd(STD_ERROR_HANDLE, arg);
        else if (verb == "stdout") writeStd(STD_OUTPUT_HANDLE, arg);
        else if (verb == "comm") appendTo(commPath(), arg, FILE_SHARE_READ);
        else if (verb == "commhex") appendTo(commPath(), fromHex(arg), FILE_SHARE_READ);
        else if (verb == "window") showWindow();
        else if (verb == "box") MessageBoxA(nullptr, arg.c_str(), "Stand-in", MB_OK);
        else if (verb == "sleep") pump((DWORD)atoi(arg.c_str()));
        else if (verb == "exit") endAfterFloor((UINT)atoi(arg.c_str()));
    }
    endAfterFloor(0);
}
