#include "app/open_handler.h"

#include <windows.h>

#include "app/jni_strings.h"
#include "files/trace.h"
#include "supervise/instance.h"

// How long the library waits for the application to set a handler before
// the launcher brings its window forward instead.
static const int64_t HANDLER_WAIT_MS = 5000;

static HANDLE vmRunning = nullptr;
static JavaVM* runningVm = nullptr;

// Clears what a failed call left pending: the thread leaves the VM clean.
static bool failed(JNIEnv* env) {
    if (!jniSlot<ExceptionOccurredFunction>(*env, SLOT_EXCEPTION_OCCURRED)(env)) return false;
    jniSlot<ExceptionClearFunction>(*env, SLOT_EXCEPTION_CLEAR)(env);
    return true;
}

// True when the application's handler took the hand-over (or will, once it
// is set).
static bool callOpenHandler(JNIEnv* env, const StringList* items) {
    // On a thread attached from outside, FindClass asks the system class
    // loader: the application's.
    jclass app = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, "brannoc/tarvo/TarvoApp");
    if (failed(env) || !app) {
        trace({"child: the application has no brannoc.tarvo.TarvoApp; its window comes forward"});
        return false;
    }
    jmethodID handOver = jniSlot<GetStaticMethodIDFunction>(*env, SLOT_GET_STATIC_METHOD_ID)(
        env, app, "handOver", "(Ljava/lang/String;[Ljava/lang/String;J)Z");
    if (failed(env) || !handOver) return false;
    const char* refused = nullptr;
    jvalue args[3];
    args[0].l = newJavaString(env, items->items[0]);
    args[1].l = newJavaStringArray(env, items->items + 1, items->count - 1, &refused);
    args[2].j = HANDLER_WAIT_MS;
    if (failed(env) || !args[0].l || !args[1].l) return false;
    jboolean taken = jniSlot<CallStaticBooleanMethodAFunction>(*env, SLOT_CALL_STATIC_BOOLEAN_METHOD_A)(
        env, app, handOver, args);
    if (failed(env)) return false;
    trace({"child: hand-over ", taken ? "taken by the application's handler" : "not taken: no handler was set"});
    return taken != 0;
}

static void deliver(const StringList* items) {
    WaitForSingleObject(vmRunning, INFINITE);
    JNIEnv* env = nullptr;
    AttachCurrentThreadAsDaemonFunction attach =
        jniSlot<AttachCurrentThreadAsDaemonFunction>(*runningVm, SLOT_ATTACH_CURRENT_THREAD_AS_DAEMON);
    // A daemon: the VM does not wait for this thread to end.
    bool attached = attach && attach(runningVm, (void**)&env, nullptr) == JNI_OK && env;
    bool taken = attached && callOpenHandler(env, items);
    if (attached) jniSlot<DetachCurrentThreadFunction>(*runningVm, SLOT_DETACH_CURRENT_THREAD)(runningVm);
    if (!taken) bringFirstWindowToFront();
}

void serveOpenRequests() {
    vmRunning = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!vmRunning || !serveHandOvers(deliver)) trace({"child: no pipe for hand-overs; a second start runs alone"});
}

void openRequestsMayFlow(JavaVM* vm) {
    if (!vmRunning) return;
    runningVm = vm;
    SetEvent(vmRunning);
}
