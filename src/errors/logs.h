// The child's standard error and output, sent into log files.
#pragma once
#include <windows.h>

HANDLE errorLogHandle();
HANDLE outputLogHandle();
// Shows the error log and ends the parent when the log has content and
// showing it is enabled; returns otherwise.
void checkErrorLog();
void initOutputRedirection();
HANDLE openLogHandle(const char* path);
