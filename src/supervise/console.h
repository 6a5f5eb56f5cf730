// The console the launcher was started from (cmd, PowerShell, a terminal):
// the application's standard streams that no log takes reach it.
#pragma once
#include <windows.h>

struct ConsoleHandles {
    HANDLE input;
    HANDLE output;
    HANDLE error;
};

// Attaches to the console of the process that started this one and makes
// inheritable handles of its streams, each dropped (null) where it does not
// work; false, with all null, when that process has no console.
bool attachStartingConsole(ConsoleHandles* handles);

// Ctrl+C and Ctrl+Break are the child's to answer (its VM runs the
// application's shutdown hooks, or prints its threads); on close, log-off or
// shutdown this process waits for the child as long as the system lets it.
// `child` is read when an event comes: a restart may replace it.
void leaveConsoleEventsToChild(const HANDLE* child);
