// Stands in for a VM's own runtime DLL (vcruntime140.dll and the like),
// which installations keep only in their bin folder. The modern stand-in VM
// imports it, so that VM loads only where that folder is searched.
#include <windows.h>

extern "C" __declspec(dllexport) int standinRuntimeReady() { return 140; }
