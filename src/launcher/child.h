// The child entry of the AppLoader unit.
#pragma once
#include <cstddef>

void runChildMode(const char* tail);
// The child's exit hook: before an error, it tells the parent that the
// start failed and hides the parent's splash.
void endChild(bool beforeError);
