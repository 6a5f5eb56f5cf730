// Long waits and writes of the lower layers call whileBusy, so that the
// parent's splash keeps answering the system: the parent hands down a hook
// that pumps its messages.
#pragma once

void setBusyHook(void (*hook)());
void whileBusy();
