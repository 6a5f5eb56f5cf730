#include "files/busy.h"

static void (*busyHook)() = nullptr;

void setBusyHook(void (*hook)()) { busyHook = hook; }

void whileBusy() {
    if (busyHook) busyHook();
}
