// The parent's side of a runtime the launcher carries: made whole before
// the child starts, and named to the child's search.
#pragma once

// Where the product carries a runtime: copies it where it is not whole yet,
// with its progress on the splash, and hands its folder to the child.
void prepareRuntime();
// After a successful start: the folders of older runtimes go.
void removeOtherRuntimeFolders();
// The child's side: the folder the parent named, taken out of the
// environment so that the application does not inherit it.
void takeRuntimeHome();
