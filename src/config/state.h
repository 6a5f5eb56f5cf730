// The process-wide state of start-up, set once by the entry point.
#pragma once
#include <windows.h>

// The module whose resources hold the configuration.
extern HINSTANCE appInstance;
