// The process-wide state of start-up, set once by the entry point.
#pragma once
#include <windows.h>

extern HINSTANCE appInstance;
extern char flavourLetter;

HANDLE getChildProcess();
DWORD getChildProcessId();
