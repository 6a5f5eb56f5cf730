// The parent's watch over the child: every 100 ms, its windows, its end,
// its error log and the records of the communication file.
#pragma once
#include <windows.h>

// Watches `child` (its process handle and id) until the process ends.
// `restart` starts a new child as a start does (with a communication file of
// its own, TEXT_CAP, which it names), for an application that ends with the
// configured restart code. `untilEnd`: the parent stays until
// the child ends and ends with its code, for the console it was started from.
void startChildMonitor(const char* commFilePath, HANDLE child, DWORD childId,
                       bool (*restart)(HANDLE* child, DWORD* childId, char* commFilePath), bool untilEnd);
void stopChildMonitor();
void CALLBACK monitorTick(HWND, UINT, UINT_PTR, DWORD);
void parseCommRecords();
bool childHasVisibleWindow(DWORD processId);
