#pragma once
#include <windows.h>

INT_PTR CALLBACK errorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void centerOverParent(HWND window);
void fillErrorLogText(HWND dialog);
