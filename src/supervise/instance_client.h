// A start of a single-instance product: the first runs, a later one hands
// its folder and words to the running instance and ends.
#pragma once
#include "files/string_list.h"

enum InstanceClaim { INSTANCE_FIRST, INSTANCE_HANDED_OVER, INSTANCE_NOT_RESPONDING };

// The parent's question, before anything else: either this start is the
// first (and holds the instance's name until its child has ended), or its
// folder and words were taken by the running instance, or that instance
// does not answer. A server that is not this program of this user, session
// and level is ignored: the start runs on its own.
InstanceClaim claimInstance(const char* folder, const StringList* words);

// The parent lets go of the name once its child has ended for good, and
// before any message of its own, so that the next start need not wait for
// the user to read it.
void releaseInstanceClaim();
