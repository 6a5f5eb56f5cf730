// Documents handed over by a second start reach the application's open
// handler, through brannoc.tarvo.TarvoApp in its own class path.
#pragma once
#include "app/jni.h"

// Opens the instance's pipe, before the VM is created; hand-overs wait
// until main has been called.
void serveOpenRequests();
// The VM whose main is about to run: hand-overs may now be delivered.
void openRequestsMayFlow(JavaVM* vm);
// The application has begun to end (or never began): later starts run on
// their own, and what was taken but not delivered starts on its own too.
void openRequestsEnd();
