// A library in the place of a VM library that lacks its creation entry point.
extern "C" __declspec(dllexport) int NotTheEntryPoint() { return 0; }
