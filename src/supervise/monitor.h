// The parent's watch over the child: every 100 ms, its windows, its end,
// its error log and the records of the communication file.
#pragma once
#include <windows.h>

// Watches `child` (its process handle and id) until the process ends.
void startChildMonitor(const char* commFilePath, HANDLE child, DWORD childId);
void stopChildMonitor();
void CALLBACK monitorTick(HWND, UINT, UINT_PTR, DWORD);
void parseCommRecords();
bool childHasVisibleWindow(DWORD processId);
