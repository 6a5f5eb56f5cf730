// The parent's side of start-up: preparing and starting the child.
#pragma once
#include <windows.h>

void runParentMode(const char* tail);
// The parent's exit hook: no tick and no splash outlive a decided end.
void endParentSupervision(bool beforeError);
bool startChildProcess(const char* commandLine);
int runMessageLoop();
