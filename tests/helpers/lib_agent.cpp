// A native agent, as a debugger or profiler brings one: it loads and does
// nothing, or with the option "crash" it crashes the VM in its start, as a
// broken library the VM loads would.
#include "app/jni.h"

extern "C" __declspec(dllexport) jint JNICALL Agent_OnLoad(void*, char* options, void*) {
    if (options && options[0] == 'c') {
        volatile int* nowhere = nullptr;
        return *nowhere;
    }
    return 0;
}
