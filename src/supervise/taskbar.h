// The product's place on the taskbar: with an identifier of its own, the
// application's windows group under the product's pinned shortcut, and its
// jump lists work.
#pragma once

// Sets the configured identifier (string 151) for this process, before its
// first window; `who` begins the trace's line. Nothing where none is set.
void setTaskbarIdentity(const char* who);
