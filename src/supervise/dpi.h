// How the process meets screens of more than 96 dots per inch. A VM runs in
// the launcher's process, so its awareness is the launcher's choice, made
// as the JDK's own launcher makes it for that Java.
#pragma once
#include <windows.h>

// Per-monitor (v2 where the system has it) or system-aware, through the
// newest call the system offers; the words of what was asked, for the
// trace, and in *refused the system's error where it kept its own (it does
// once a process's awareness is set), else 0.
const char* setDpiAwareness(bool perMonitor, unsigned long* refused);

// The trace's line: what, for whom, and whether the system kept its own.
void traceDpiAwareness(const char* who, const char* awareness, const char* forWhat, unsigned long refused);

// Whether a Java of this feature release expects per-monitor awareness, as
// the JDK's launcher declares it since 9.
inline bool javaWantsPerMonitorDpi(unsigned feature) { return feature >= 9; }

// The dots per inch of the monitor that holds the point.
unsigned monitorDpi(POINT point);
