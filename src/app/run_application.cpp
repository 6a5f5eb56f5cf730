#include "app/run_application.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/class_version.h"
#include "app/class_version_text.h"
#include "app/java_string_text.h"
#include "app/jni_strings.h"
#include "app/class_data.h"
#include "app/crash_report.h"
#include "app/open_handler.h"
#include "app/jni.h"
#include "app/vm_options.h"
#include "app/vm_print.h"
#include "app/vm_text.h"
#include "app/words_text.h"
#include "config/config.h"
#include "errors/fail.h"
#include "errors/message_text.h"
#include "files/string_list.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "jvm/candidate.h"
#include "jvm/find_jvm.h"
#include "jvm/search_text.h"
#include "files/version_text.h"
#include "supervise/dpi.h"

static void (*startFailed)() = nullptr;
static void (*applicationRuns)() = nullptr;
static void (*vmStarts)() = nullptr;
static void (*mainEndedWithException)(const char*) = nullptr;
static void (*crashedInStart)(const char*) = nullptr;
static const JavaVMInitArgs* vmArgs = nullptr;

static CreateJavaVMFunction createJavaVM = nullptr;
static bool libraryRefused = false;

bool vmLibraryRefused() { return libraryRefused; }

bool lookUpCreateJavaVM(HMODULE library) {
    createJavaVM = (CreateJavaVMFunction)(void*)GetProcAddress(library, "JNI_CreateJavaVM");
    return createJavaVM != nullptr;
}

// A VM that ends in its start never returns from JNI_CreateJavaVM: the user
// reads why. Once main runs, the application's System.exit ends the process
// with its code, as under java.exe.
static void JNICALL vmExit(jint code) {
    trace({"child: the VM ended the process", vmApplicationRuns() ? "" : " in its start"});
    openRequestsEnd();
    if (!vmApplicationRuns()) startFailed();
    ExitProcess((UINT)code);
}

static void JNICALL vmAbort() {
    trace({"child: the VM aborted", vmApplicationRuns() ? "" : " in its start"});
    openRequestsEnd();
    // HotSpot has written its report before it calls here.
    static char report[TEXT_CAP];
    if (!vmApplicationRuns() && vmArgs && findCrashReport(vmArgs, report, sizeof report)) crashedInStart(report);
    if (!vmApplicationRuns()) startFailed();
    // The code of an aborted Windows program.
    ExitProcess(3);
}

static void addHook(JavaVMOption* option, const char* name, void* function) {
    option->optionString = (char*)name;
    option->extraInfo = function;
}

enum { HOOK_COUNT = 3 };

// The hooks come first, since the VM takes them in its options' order: its
// words of an option it refuses reach the message only through the hook.
// The archive's options stand last, so that a VM that refuses them can be
// asked again without them.
static size_t sharingOptions = 0;

static const char* fillVmInitArgs(JavaVMInitArgs* args, const char* javaPath, const char* commFile,
                                  const char* extractDir, const char* userArgs, size_t optionCount,
                                  unsigned javaFeature) {
    StringList list = {nullptr, 0, 0};
    const char* mainArgs = buildVmOptions(&list, commFile, extractDir, userArgs, optionCount, javaFeature);
    sharingOptions = addClassDataSharing(&list, javaPath, javaFeature, extractDir);
    for (size_t i = list.count - sharingOptions; i < list.count; ++i)
        trace({"child: VM option ", list.items[i], " (class data sharing)"});
    ZeroMemory(args, sizeof *args);
    args->version = JNI_VERSION_1_2;
    // As java.exe: an option the VM does not know is refused in its own
    // words, never dropped without a word.
    args->ignoreUnrecognized = JNI_FALSE;
    args->nOptions = (jint)(list.count + HOOK_COUNT);
    args->options = (JavaVMOption*)calloc(list.count + HOOK_COUNT, sizeof(JavaVMOption));
    if (!args->options) failWithMessage(MSG_OUT_OF_MEMORY);
    addHook(&args->options[0], "vfprintf", (void*)vmPrint);
    addHook(&args->options[1], "exit", (void*)vmExit);
    addHook(&args->options[2], "abort", (void*)vmAbort);
    // The first two, the comm file and the class path, are made for the VM
    // already, path by path.
    for (size_t i = 0; i < list.count; ++i) {
        char* option = i < 2 ? list.items[i] : vmText(list.items[i]);
        // The process's name for the tools may lose a character; it is no
        // reason not to start.
        if (!option && strncmp(list.items[i], "-Dsun.java.command=", 19) == 0) option = vmTextLossy(list.items[i]);
        if (!option) failWithMessage(MSG_PATH_NOT_PASSABLE, "%FILE_NAME%", list.items[i]);
        if (option != list.items[i]) free(list.items[i]);
        args->options[HOOK_COUNT + i].optionString = option;
    }
    releaseListStorage(&list);
    return mainArgs;
}

// As the JDK's launcher sizes the thread that runs main: the last -Xss the
// VM receives, else the VM's own default, else the program's.
static SIZE_T mainStackSize(const JavaVMInitArgs* args, HMODULE library) {
    unsigned long long bytes = 0, taken = 0;
    for (jint i = 0; i < args->nOptions; ++i)
        if (stackSizeOption(args->options[i].optionString, &taken)) bytes = taken;
    GetDefaultJavaVMInitArgsFunction defaults =
        (GetDefaultJavaVMInitArgsFunction)(void*)GetProcAddress(library, "JNI_GetDefaultJavaVMInitArgs");
    if (bytes == 0 && defaults) {
        JDK1_1InitArgs old;
        ZeroMemory(&old, sizeof old);
        old.version = JNI_VERSION_1_1;
        defaults(&old);
        if (old.javaStackSize > 0) bytes = (unsigned long long)old.javaStackSize;
    }
    char text[24] = "";
    appendUnsigned(text, sizeof text, (unsigned long)bytes);
    trace({"child: main's thread reserves ", bytes ? text : "the program's default", bytes ? " bytes" : ""});
    return (SIZE_T)bytes;
}

// The variadic form, passed on through the va_list slot.
static void callStaticVoidMethod(JNIEnv* env, jclass cls, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    jniSlot<CallStaticVoidMethodVFunction>(*env, SLOT_CALL_STATIC_VOID_METHOD_V)(env, cls, method, args);
    va_end(args);
}

static jobjectArray mainArguments(JNIEnv* env, const char* userArgs) {
    StringList words = {nullptr, 0, 0};
    char fixed[TEXT_CAP];
    configString(CFG_MAIN_ARGUMENTS, fixed, sizeof fixed);
    splitOrFail(fixed, nullptr, &words);
    splitUserWords(userArgs, nullptr, &words);
    const char* failed = nullptr;
    jobjectArray array = newJavaStringArray(env, words.items, words.count, &failed);
    if (!array) failAssertion(failed);
    freeStringList(&words);
    return array;
}

// The pending exception's own words (its toString), cleared; the
// exception itself is handed back for a caller that throws it again.
static jthrowable pendingException(JNIEnv* env, char* dst, size_t cap) {
    dst[0] = '\0';
    jthrowable thrown = jniSlot<ExceptionOccurredFunction>(*env, SLOT_EXCEPTION_OCCURRED)(env);
    if (!thrown) return nullptr;
    ExceptionClearFunction clear = jniSlot<ExceptionClearFunction>(*env, SLOT_EXCEPTION_CLEAR);
    clear(env);
    javaObjectText(env, thrown, dst, cap);
    clear(env);
    return thrown;
}

// Why the class or its main could not be had, and which Java said so: a
// class compiled for a newer Java names the Java as the one too old.
[[noreturn]] static void failMainClass(ConfigId message, const char* why, const char* javaPath) {
    char text[TEXT_CAP], home[TEXT_CAP], mainClass[TEXT_CAP];
    messageText(message, text, sizeof text);
    configString(CFG_MAIN_CLASS, mainClass, sizeof mainClass);
    substitutePlaceholder(text, sizeof text, "%MAIN_CLASS%", mainClass);
    javaHomeOf(home, sizeof home, javaPath);
    const char* version = acceptedJavaVersion();
    // A class for a newer Java: the user learns which Java it needs.
    unsigned needed = strstr(why, "UnsupportedClassVersionError") ? javaForClassMajor(classMajorInWords(why)) : 0;
    if (needed) {
        char number[16] = "";
        appendUnsigned(number, sizeof number, needed);
        messageText(MSG_CLASS_TOO_NEW, text, sizeof text);
        substitutePlaceholder(text, sizeof text, "%NEEDED_JAVA%", number);
    }
    if (*why) appendTexts(text, sizeof text, {"\n\n", why});
    appendTexts(text, sizeof text, {*why ? "\n" : "\n\n", "Java ", *version ? version : "of unknown version", " in ",
                                    home});
    if (strstr(why, "UnsupportedClassVersionError")) failNeedingJava(text);
    failWithText(text);
}

static bool vmHasOpenJdkLibrary(JNIEnv* env);

// The cause of an initialiser's error (its getCause), where the VM can be
// asked: an instance call, made only where the class library is an
// OpenJDK's, whose VMs serve them.
static void causeText(JNIEnv* env, jthrowable error, char* dst, size_t cap) {
    dst[0] = '\0';
    if (!error || !vmHasOpenJdkLibrary(env)) return;
    jclass throwable = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, "java/lang/Throwable");
    jmethodID getCause = throwable ? jniSlot<GetStaticMethodIDFunction>(*env, SLOT_GET_METHOD_ID)(
                                         env, throwable, "getCause", "()Ljava/lang/Throwable;")
                                   : nullptr;
    jobject cause = getCause ? jniSlot<CallObjectMethodAFunction>(*env, SLOT_CALL_OBJECT_METHOD_A)(
                                   env, error, getCause, nullptr)
                             : nullptr;
    jniSlot<ExceptionClearFunction>(*env, SLOT_EXCEPTION_CLEAR)(env);
    if (cause) javaObjectText(env, cause, dst, cap);
}

// A class whose static initialiser threw is there, but cannot run: what it
// threw is the user's clue.
[[noreturn]] static void failPending(JNIEnv* env, ConfigId message, const char* javaPath) {
    char why[TEXT_CAP], cause[TEXT_CAP / 2];
    jthrowable thrown = pendingException(env, why, sizeof why);
    if (strncmp(why, "java.lang.ExceptionInInitializerError", 37) == 0) {
        message = MSG_MAIN_CLASS_INIT;
        causeText(env, thrown, cause, sizeof cause);
        if (*cause) appendTexts(why, sizeof why, {"\nCaused by: ", cause});
    }
    failMainClass(message, why, javaPath);
}

// A VM that does not check a class's version would run a class built for
// a newer Java and fail later, far from the cause: refused as a VM that
// checks refuses it. The VM tells the newest version it reads; the last
// class path it was given is the one it searches.
static void refuseNewerClass(JNIEnv* env, const JavaVMInitArgs* args, const char* internalName,
                             const char* javaPath) {
    char property[32];
    javaSystemProperty(env, "java.class.version", property, sizeof property);
    unsigned highest = (unsigned)atoi(property);
    if (!highest) highest = highestClassMajor(javaFeatureVersion(acceptedJavaVersion()));
    const char* classPath = nullptr;
    for (jint i = 0; i < args->nOptions; ++i)
        if (strncmp(args->options[i].optionString, "-Djava.class.path=", 18) == 0)
            classPath = args->options[i].optionString + 18;
    unsigned major = highest && classPath ? classMajorOnPath(classPath, internalName) : 0;
    if (major <= highest) return;
    char why[TEXT_CAP];
    classTooNewText(why, sizeof why, internalName, major, highest);
    failMainClass(MSG_NO_MAIN_CLASS, why, javaPath);
}

// A VM that refuses the archive's options must still start: once more,
// without them.
static jint createWithoutSharing(JavaVM** vm, JNIEnv** env, JavaVMInitArgs* args) {
    trace({"child: the VM refused to start with class data sharing; once more without"});
    forgetVmWords();
    args->nOptions -= (jint)sharingOptions;
    sharingOptions = 0;
    return createJavaVM(vm, (void**)env, args);
}

// Whether the VM's class library is an OpenJDK's, by a method that all of
// them have (Thread.dispatchUncaughtException): such a VM prints an
// uncaught exception as main's thread detaches, and serves instance calls
// through this interface. One without it may print nothing, and its
// instance calls may be broken. The method is only looked up, never called.
enum { MAIN_THREW = 1, VM_NOT_CREATED = 2, MAIN_EXCEPTION_CAP = 2048 };

static bool vmHasOpenJdkLibrary(JNIEnv* env) {
    jclass thread = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, "java/lang/Thread");
    jmethodID dispatch = thread ? jniSlot<GetStaticMethodIDFunction>(*env, SLOT_GET_METHOD_ID)(
                                      env, thread, "dispatchUncaughtException", "(Ljava/lang/Throwable;)V")
                                : nullptr;
    jniSlot<ExceptionClearFunction>(*env, SLOT_EXCEPTION_CLEAR)(env);
    return dispatch != nullptr;
}

static void printUncaught(const char* words) {
    char line[MAIN_EXCEPTION_CAP + 32];
    copyText(line, sizeof line, "Exception in thread \"main\" ");
    appendText(line, sizeof line, words);
    printToStandardError(line);
}

struct JavaMainArgs {
    const char* javaPath;
    JavaVMInitArgs* vmArgs;
    const char* mainArgs;
};

// The thread that creates the VM and runs main, as the JDK's launcher runs
// it: 0 when main has run, MAIN_THREW when an exception came out of it,
// VM_NOT_CREATED when there is no VM.
static DWORD WINAPI javaMain(void* raw) {
    const JavaMainArgs* start = (const JavaMainArgs*)raw;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    vmStarts();
    jint created = createJavaVM(&vm, (void**)&env, start->vmArgs);
    if (created < 0 && sharingOptions) created = createWithoutSharing(&vm, &env, start->vmArgs);
    char result[16] = "";
    appendUnsigned(result, sizeof result, (unsigned long)(created < 0 ? -created : created));
    trace({"child: JNI_CreateJavaVM answered ", created < 0 ? "-" : "", result});
    if (created < 0) return VM_NOT_CREATED;
    // From here the application runs: its class's initialiser may end the
    // process with its own code, as under java.exe.
    applicationRuns();
    releaseVmWords();

    char mainClass[TEXT_CAP];
    configString(CFG_MAIN_CLASS, mainClass, sizeof mainClass);
    mainClassToInternalName(mainClass);
    jclass cls = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, mainClass);
    if (!cls) failPending(env, MSG_NO_MAIN_CLASS, start->javaPath);
    refuseNewerClass(env, start->vmArgs, mainClass, start->javaPath);
    jmethodID main = jniSlot<GetStaticMethodIDFunction>(*env, SLOT_GET_STATIC_METHOD_ID)(
        env, cls, "main", "([Ljava/lang/String;)V");
    if (!main) failPending(env, MSG_NO_MAIN_METHOD, start->javaPath);

    jobjectArray arguments = mainArguments(env, start->mainArgs);
    openRequestsMayFlow(vm);
    callStaticVoidMethod(env, cls, main, arguments);
    // As java.exe: a main that leaves an exception ends the process with 1.
    // Its words are kept for a VM that prints nothing for it; the same
    // exception is thrown again, so that detaching the thread still hands
    // it to the application's uncaught-exception handler.
    DWORD code = 0;
    char words[MAIN_EXCEPTION_CAP];
    if (jthrowable thrown = pendingException(env, words, sizeof words)) {
        trace({"child: main ended with an exception: ", words});
        bool vmPrints = vmHasOpenJdkLibrary(env);
        jniSlot<ThrowFunction>(*env, SLOT_THROW)(env, thrown);
        mainEndedWithException(words);
        // As java.exe would have it said.
        if (!vmPrints) printUncaught(words);
        code = MAIN_THREW;
    }
    jniSlot<DetachCurrentThreadFunction>(*vm, SLOT_DETACH_CURRENT_THREAD)(vm);
    // Waits for the application's other threads. A VM cannot be unloaded,
    // so its library stays.
    jniSlot<DestroyJavaVMFunction>(*vm, SLOT_DESTROY_JAVA_VM)(vm);
    openRequestsEnd();
    return code;
}

// Where the VM could not start, the caller's failure ends the process; it
// is called from the VM's own hooks too.
static void failedToStart() {
    startFailed();
    ExitProcess(1);
}

unsigned runApplication(const char* javaPath, const char* commFile, const char* extractDir, const char* userArgs,
                        size_t optionCount, const ApplicationEnds& ends) {
    startFailed = ends.failToStart;
    mainEndedWithException = ends.mainThrew;
    crashedInStart = ends.crashedInStart;
    applicationRuns = ends.applicationRuns;
    vmStarts = ends.vmStarts;
    startVmPrint();
    HMODULE library = loadJvmLibrary(javaPath);
    libraryRefused = !library || !lookUpCreateJavaVM(library);
    if (libraryRefused) failedToStart();
    // The process's DPI awareness is the VM's: as java.exe declares it for
    // this Java.
    unsigned feature = javaFeatureVersion(acceptedJavaVersion());
    unsigned long refused = 0;
    const char* awareness = setDpiAwareness(javaWantsPerMonitorDpi(feature), &refused);
    char forJava[80];
    copyText(forJava, sizeof forJava, " for Java ");
    appendText(forJava, sizeof forJava, acceptedJavaVersion());
    traceDpiAwareness("child: DPI awareness ", awareness, forJava, refused);
    JavaVMInitArgs args;
    JavaMainArgs start = {javaPath, &args, fillVmInitArgs(&args, javaPath, commFile, extractDir, userArgs, optionCount, feature)};
    vmArgs = &args;
    SIZE_T stack = mainStackSize(&args, library);
    HANDLE thread = CreateThread(nullptr, stack, javaMain, &start, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) thread = CreateThread(nullptr, stack, javaMain, &start, 0, nullptr);
    DWORD result = VM_NOT_CREATED;
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        GetExitCodeThread(thread, &result);
        CloseHandle(thread);
    } else {
        result = javaMain(&start);
    }
    if (result == VM_NOT_CREATED) failedToStart();
    return result;
}
