#include "supervise/splash.h"

// No splash window is made yet, so hiding it and setting its status line
// have nothing to act on.
void showSplash(int) {}

void setSplashStatus(const char*) {}
