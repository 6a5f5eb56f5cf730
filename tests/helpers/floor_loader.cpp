// The least that the two-process design can cost, for the benchmark: this
// program starts a copy of itself, and the copy loads the given VM library
// and calls JNI_CreateJavaVM at once. Both import user32, as every program
// that shows a window does and every real VM library does, so that the
// system's start-up of user32 lands on both sides of the ratio.
//   floor_loader JVM_DLL
#include <windows.h>

#include <cstring>

#include "app/jni.h"

int main(int argc, char** argv) {
    // Never true: the reference alone keeps user32 among the imports.
    if (argc == 0) MessageBeep(MB_OK);
    if (argc == 3 && strcmp(argv[1], "--child") == 0) {
        HMODULE vm = LoadLibraryA(argv[2]);
        CreateJavaVMFunction create = vm ? (CreateJavaVMFunction)GetProcAddress(vm, "JNI_CreateJavaVM") : nullptr;
        if (!create) return 2;
        JavaVMInitArgs args = {};
        args.version = 0x00010002;
        JavaVM* jvm = nullptr;
        void* env = nullptr;
        return create(&jvm, &env, &args) < 0 ? 3 : 0;
    }
    if (argc != 2) return 1;
    char self[MAX_PATH], line[3 * MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    lstrcpyA(line, "\"");
    lstrcatA(line, self);
    lstrcatA(line, "\" --child \"");
    lstrcatA(line, argv[1]);
    lstrcatA(line, "\"");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(self, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 4;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}
