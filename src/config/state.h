// The process-wide state of start-up, set once by the entry point.
#pragma once
#include <windows.h>

// The module whose resources hold the configuration.
extern HINSTANCE appInstance;

// Written for the console subsystem, as java.exe is: the builder's choice,
// read from the program's own header.
bool builtForConsole();
