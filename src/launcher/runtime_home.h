// The parent's side of what a launcher copies once for each content: its
// runtime, made whole before the child starts and named to the child's
// search, and its included files where the product asks.
#pragma once
#include <windows.h>

#include <cstddef>

// Where the product carries a runtime: copies it where it is not whole yet,
// with its progress on the splash, and hands its folder to the child. True
// where an elevated start checks the copy's bytes with `confirmRuntime`
// once the child is started.
bool prepareRuntime();
// The copy's bytes checked and given to `child` to hold, which then goes
// on; false where they are not the launcher's, and the child, still
// waiting, must be ended and the start begun again.
bool confirmRuntime(HANDLE child);
// Where the product keeps its included files once: their folder (TEXT_CAP)
// for the child; false where they are to be extracted for this start alone.
bool prepareCachedFiles(char* folder);
// After a successful start: the folders of older contents go.
void removeOtherCopyFolders();
// The child's side: the runtime's folder the parent named, taken out of the
// environment so that the application does not inherit it.
// First it waits, where the parent checks the copy as it starts, for that
// check, or for `parent` to end, which ends this process.
void takeRuntimeHome(HANDLE parent);
// The VM would not start from the runtime inside: the copy is marked, so
// that the next start makes it anew.
void runtimeCopyFailed();
// In an elevated child: whether the runtime's copy still holds no code
// beyond its index, just before the VM is loaded from it.
bool runtimeCopyStillTrusted();
