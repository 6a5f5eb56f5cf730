// The parent's watch over the child: every 100 ms, its windows, its end,
// its error log and the records of the communication file.
#pragma once
#include <windows.h>

void startChildMonitor(const char* commFilePath);
void stopChildMonitor();
void CALLBACK monitorTick(HWND, UINT, UINT_PTR, DWORD);
void parseCommRecords();
bool childHasVisibleWindow(DWORD processId);
