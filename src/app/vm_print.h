// The VM's own text, through its vfprintf hook: each text reaches the stream
// that its FILE names (the VM's standard output or error, as the launcher's
// standard handles are set), whole and in order. What the VM says before
// its application runs is held, so that a VM that dies in its start is
// heard in the message, not twice.
#pragma once
#include <cstdarg>
#include <cstddef>

#include "app/jni.h"

void startVmPrint();
jint JNICALL vmPrint(void* file, const char* format, va_list args);
// The application runs: the held text goes out, in order, and later text
// straight to its stream.
void releaseVmWords();
// Whether the application runs, for the VM's exit and abort hooks.
bool vmApplicationRuns();
// A start that is tried again: what the first try said is no longer the
// VM's word.
void forgetVmWords();
// What the VM printed before its application ran, UTF-8, with no last line
// break; for the failure's message.
size_t vmStartWords(char* dst, size_t cap);
