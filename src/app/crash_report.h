// The report that a VM wrote as it crashed in this process, for the user
// who must learn that Java crashed, and where it said why.
#pragma once
#include <cstddef>

#include "app/jni.h"

// False where no report was written since this process began.
bool findCrashReport(const JavaVMInitArgs* args, char* dst, size_t cap);
