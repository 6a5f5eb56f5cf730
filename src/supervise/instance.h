// One instance of the product for each user and session: the first start's
// child serves a named pipe; a second start hands its folder and words over
// to it and ends.
#pragma once
#include "files/string_list.h"

enum InstanceClaim { INSTANCE_FIRST, INSTANCE_HANDED_OVER, INSTANCE_NOT_RESPONDING };

// The parent's question, before anything else: either this start is the
// first (and holds the instance's mutex until its child holds it too), or its
// folder and words went to the running instance, or that instance does not
// answer.
InstanceClaim claimInstance(const char* folder, const StringList* words);

// The child's side: a thread that takes hand-overs from the pipe, answers
// each, and passes it to `deliver` (the folder, then the words). False when
// the pipe could not be made; the application then runs without it.
bool serveHandOvers(void (*deliver)(const StringList* items));

// Restores this process's first visible top-level window and brings it to
// the front: what a second start gets when the application takes no
// hand-overs.
void bringFirstWindowToFront();
