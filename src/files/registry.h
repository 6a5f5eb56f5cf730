// Reading a registry string into a fixed buffer.
#pragma once
#include <windows.h>

// Reads the value as text into buf (cap bytes), whether or not the stored
// data carries its terminator. False when the value is missing, cannot be
// read, or holds more than cap - 1 characters; *missing tells the first apart.
bool queryRegistryText(HKEY key, const char* name, char* buf, DWORD cap, bool* missing = nullptr);
