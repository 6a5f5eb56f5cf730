// The running instance's side: its child serves the pipe, takes each
// hand-over at once and delivers them, one at a time and in the order they
// were taken, on a thread of their own.
#pragma once
#include "files/string_list.h"

enum Delivery { DELIVERED, APPLICATION_ENDING };

// Opens the pipe and takes hand-overs; `deliver` gets each (the folder,
// then the words) once `handOversMayFlow` was called. False when the pipe
// cannot be served; the application then runs without it.
bool serveHandOvers(Delivery (*deliver)(const StringList* items));
void handOversMayFlow();

// The application has begun to end, or never started: no hand-over is
// taken any more (a later start runs on its own), and each one taken but
// not delivered becomes a start of its own, in its folder with its words.
// Safe to call more than once, and without a server.
void stopTakingHandOvers();
