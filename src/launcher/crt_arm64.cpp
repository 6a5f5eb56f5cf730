// The two pieces of the MinGW runtime's static library that the x86 and x64
// launchers link and that Debian has for no ARM64 target. Built into the
// ARM64 launcher only.
#include <cstring>

// clang calls this before it moves sp below a frame larger than a page, with
// the frame's size in 16-byte units in x15: Windows grows a stack one guard
// page at a time, so each page is touched in order. x15 must survive; x16 and
// x17 are the call's scratch registers.
asm(R"(
    .text
    .globl __chkstk
    .p2align 2
__chkstk:
    lsl x16, x15, #4
    mov x17, sp
1:  sub x17, x17, #4096
    subs x16, x16, #4096
    ldr xzr, [x17]
    b.gt 1b
    ret
)");

// The MinGW import library leaves strnlen to its static library rather than
// to msvcrt.dll, so the launchers import it nowhere.
extern "C" size_t strnlen(const char* text, size_t cap) {
    size_t length = 0;
    while (length < cap && text[length]) ++length;
    return length;
}
