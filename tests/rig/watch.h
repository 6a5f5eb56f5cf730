// The user's-eye harness: starts a program as the desktop shell would (no
// console, default start-up information), reports every visible top-level
// window of it and of the processes it starts, closes message boxes and
// dialogs as a user does, and reports how each process ended.
#pragma once
#include <functional>
#include <string>
#include <vector>

struct WatchReport;

enum class CloseBy { Button, Escape, CloseBox, Never };

// Texts of the options are UTF-8.
struct WatchOptions {
    std::string commandLine;      // exactly as the program receives it
    std::string program;          // the file to start; empty: the command line's first word
    std::string currentDirectory; // empty: the harness's own
    CloseBy closeBy = CloseBy::Button;
    unsigned readingMs = 400;     // how long a user looks at a window before closing it
    unsigned timeoutMs = 30000;   // then every process still running is killed
    int showCommand = -1;         // as a shortcut's "Run" sets it (SW_*); -1: none
    bool limited = false;         // with a standard user's token rather than the harness's elevated one
    // Called after every poll, with the milliseconds since the start: a test
    // looks at the screen through it, or acts as a user would.
    std::function<void(WatchReport&, unsigned)> eachPoll;
};

struct SeenWindow {
    int process;          // index into WatchReport::processes
    std::string className;
    std::string title;
    std::string text;     // a message box's message; the static texts of a dialog
    std::string editText; // dialog 101's log control
    unsigned atMs;
    void* handle;         // the HWND, for a test that looks closer
    bool foreground;      // the foreground window at some poll while it was seen
};

struct EndedProcess {
    unsigned pid;
    int parentIndex;      // -1 for the program itself
    std::string role;     // "parent" for the program, "child" for what it starts, and so on
    unsigned exitCode;
    bool ended;           // false when the harness had to kill it
    unsigned endedMs;
};

struct WatchReport {
    bool started = false;
    std::string error;
    std::vector<SeenWindow> windows;
    std::vector<EndedProcess> processes;

    const EndedProcess* byRole(const std::string& role) const;
    std::string describe() const;
};

WatchReport watchProgram(const WatchOptions& options);

// A standard user's token: the limited half of this process's own, where it
// has one (Wine runs every program with the elevated half); nullptr where
// it has none. The caller closes it.
void* limitedToken();
