#include "app/open_handler.h"

#include <windows.h>

#include "app/jni_strings.h"
#include "files/trace.h"
#include "supervise/instance_server.h"
#include "supervise/instance_window.h"

// How long the library waits for the application to set a handler before
// the launcher brings its window forward instead.
static const int64_t HANDLER_WAIT_MS = 5000;

// TarvoApp.handOver's answers.
enum { HANDLER_NOT_SET = 0, HANDLER_TOOK = 1, HANDLER_ENDING = 2 };

static JavaVM* runningVm = nullptr;

// Clears what a failed call left pending: the thread leaves the VM clean.
static bool failed(JNIEnv* env) {
    if (!jniSlot<ExceptionOccurredFunction>(*env, SLOT_EXCEPTION_OCCURRED)(env)) return false;
    jniSlot<ExceptionClearFunction>(*env, SLOT_EXCEPTION_CLEAR)(env);
    return true;
}

static jint callOpenHandler(JNIEnv* env, const StringList* items) {
    // On a thread attached from outside, FindClass asks the system class
    // loader: the application's.
    jclass app = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, "brannoc/tarvo/TarvoApp");
    if (failed(env) || !app) {
        trace({"child: the application has no brannoc.tarvo.TarvoApp; its window comes forward"});
        return HANDLER_NOT_SET;
    }
    jmethodID handOver = jniSlot<GetStaticMethodIDFunction>(*env, SLOT_GET_STATIC_METHOD_ID)(
        env, app, "handOver", "(Ljava/lang/String;[Ljava/lang/String;J)I");
    if (failed(env) || !handOver) return HANDLER_NOT_SET;
    const char* refused = nullptr;
    jvalue args[3];
    args[0].l = newJavaString(env, items->items[0]);
    args[1].l = newJavaStringArray(env, items->items + 1, items->count - 1, &refused);
    args[2].j = HANDLER_WAIT_MS;
    if (failed(env) || !args[0].l || !args[1].l) return HANDLER_NOT_SET;
    jint answer =
        jniSlot<CallStaticIntMethodAFunction>(*env, SLOT_CALL_STATIC_INT_METHOD_A)(env, app, handOver, args);
    if (failed(env)) {
        trace({"child: the library's handOver failed; the window comes forward"});
        return HANDLER_NOT_SET;
    }
    trace({"child: hand-over ", answer == HANDLER_TOOK    ? "taken by the application's handler"
                                : answer == HANDLER_ENDING ? "refused: the application is shutting down"
                                                           : "not taken: no handler was set"});
    return answer;
}

static Delivery deliver(const StringList* items) {
    JNIEnv* env = nullptr;
    AttachCurrentThreadAsDaemonFunction attach =
        jniSlot<AttachCurrentThreadAsDaemonFunction>(*runningVm, SLOT_ATTACH_CURRENT_THREAD_AS_DAEMON);
    // A daemon: the VM does not wait for this thread to end. A VM that will
    // not take the thread is going.
    if (!attach || attach(runningVm, (void**)&env, nullptr) != JNI_OK || !env) return APPLICATION_ENDING;
    jint answer = callOpenHandler(env, items);
    jniSlot<DetachCurrentThreadFunction>(*runningVm, SLOT_DETACH_CURRENT_THREAD)(runningVm);
    if (answer == HANDLER_ENDING) return APPLICATION_ENDING;
    if (answer != HANDLER_TOOK && !bringFirstWindowToFront())
        trace({"child: the application has no window to bring forward"});
    return DELIVERED;
}

void serveOpenRequests() {
    if (!serveHandOvers(deliver)) trace({"child: no pipe for hand-overs; a second start runs alone"});
}

void openRequestsMayFlow(JavaVM* vm) {
    runningVm = vm;
    handOversMayFlow();
}

void openRequestsEnd() { stopTakingHandOvers(); }
