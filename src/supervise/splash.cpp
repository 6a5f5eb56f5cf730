#include "supervise/splash.h"

// No splash window is made yet: hiding it and setting its status line have
// nothing to act on.
static bool splashCreated = false;

void showSplash(int) {
    if (!splashCreated) return;
}

void setSplashStatus(const char*) {
    if (!splashCreated) return;
}
