// The child's standard error and output, sent into log files.
#pragma once
#include <windows.h>

HANDLE errorLogHandle();
HANDLE outputLogHandle();
// With the log shown as soon as it has text: shows it and ends the parent
// when it has and stillStarting (asked only then) agrees; returns otherwise.
void checkErrorLog(bool (*stillStarting)());
// With the log shown only for a start that failed: the child ended before
// the application was up, with a code other than 0 or an exception out of
// main. Shows the log and ends the parent when it has text.
void checkErrorLogAfterFailure();
// A command-line tool whose failed start said why into its error log: the
// log's text on the tool's standard error as well, where its user and
// script read.
void echoErrorLog();
// A start that failed where the product shows the error log (at once or on
// failure): the log where it has text, else these words in a message that
// ends the parent with `code`. Returns where the product never shows the log.
void showStartFailure(const char* words, unsigned code = 1);
void initOutputRedirection();
HANDLE openLogHandle(const char* path);
