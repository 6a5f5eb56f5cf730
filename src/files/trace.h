// A trace of the start for support staff: with TARVO_TRACE naming a file,
// both processes append timestamped lines to it; without it, nothing is
// written and each call costs one test of a flag.
#pragma once
#include <initializer_list>

// Appends one line made of the parts, stamped with the time and the process.
void trace(std::initializer_list<const char*> parts);
// Whether a trace is being written, for callers that would compose text.
bool tracing();
