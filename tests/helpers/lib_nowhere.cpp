// A DLL that the tests build and then never copy anywhere: a VM that
// imports it cannot be loaded, as one whose runtime DLL is missing.
extern "C" __declspec(dllexport) int nowhereReady() { return 1; }
