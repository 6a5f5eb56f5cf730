// What the ARM64 stand-ins need of a C and C++ runtime, which Debian has for
// no ARM64 Windows target: their entry points, which run the constructors of
// their globals, the thread-local storage directory, the allocation
// operators, and the members of std::string and std::wstring, which the
// headers otherwise leave to the compiled library. The rest comes from
// msvcrt.dll.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

// The linker lists the constructors between a -1 and a null.
extern "C" void (*__CTOR_LIST__[])();

// Weak: an executable has no DllMain, and a DLL no main.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, void*) __attribute__((weak));
extern "C" int standinMain() __asm__("main") __attribute__((weak));

namespace {

FILE* standardStream(unsigned index) { return &__iob_func()[index]; }

void runConstructors() {
    size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    // In the order GCC's runtime runs them: the last listed first.
    for (size_t i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

}  // namespace

extern "C" {

// The globals' destructors are never run: a stand-in's globals hold only
// memory, which goes with the process, and an unloaded stand-in is never
// used again.
int atexit(void (*)()) { return 0; }

// The loader gives each thread a copy of the .tls section, and the compiler
// reaches a thread_local through the slot in _tls_index. The linker sorts
// ".tls" before the compiler's ".tls$", and ".tls$ZZZ" after it, so the two
// markers bound the section.
ULONG _tls_index = 0;
__attribute__((section(".tls"))) char _tls_start = 0;
__attribute__((section(".tls$ZZZ"))) char _tls_end = 0;
// The linker finds the directory by its name, which no code refers to: the
// directive keeps it from the sections that --gc-sections drops.
asm(".section .drectve\n.ascii \" -include:_tls_used\"\n.text");
extern const IMAGE_TLS_DIRECTORY _tls_used = {(ULONG_PTR)&_tls_start, (ULONG_PTR)&_tls_end, (ULONG_PTR)&_tls_index,
                                              0, 0, {}};

BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) runConstructors();
    return DllMain ? DllMain(instance, reason, reserved) : TRUE;
}

void mainCRTStartup() {
    runConstructors();
    ExitProcess((UINT)standinMain());
}

// The headers reach stdout and stderr through a pointer to a function that
// msvcrt.dll lacks and the MinGW import library brings itself, over
// __iob_func, which msvcrt.dll has.
extern FILE* (*const standinStreams)(unsigned) __asm__("__imp___acrt_iob_func") = standardStream;

}  // extern "C"

void* operator new(size_t size) {
    void* block = malloc(size ? size : 1);
    if (!block) abort();
    return block;
}

void operator delete(void* block) noexcept { free(block); }

// Where the library would throw, the stand-in ends as on an uncaught
// exception.
namespace std {
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
}  // namespace std

template class std::basic_string<char>;
template class std::basic_string<wchar_t>;
