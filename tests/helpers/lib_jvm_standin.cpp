// Stands in for a Java VM library. Built as lib_jvm_modern with
// TARVO_NEEDS_RUNTIME, it imports the stand-in runtime DLL, as the VMs of
// today import theirs. It serves JNI_CreateJavaVM, JNI_GetDefaultJavaVMInitArgs
// and the function-table slots the launcher uses, takes the vfprintf, exit
// and abort hooks as a VM does, records every call in jvm.record beside
// itself (with the code page, and the stack reserve of the thread that
// creates the VM), and acts out jvm.script beside itself, one step a line:
//   create=CODE     JNI_CreateJavaVM answers CODE (refused when negative)
//   defaultstack=N  the thread stack size the VM tells as its default
//   vmsay=TEXT      the VM prints TEXT through its vfprintf hook in its start,
//                   to its standard error; vmout=TEXT, to its standard output
//   vmabort         then aborts through the abort hook, as a VM that cannot
//                   reserve its heap does; vmexit=CODE ends through exit;
//                   vmdie=CODE ends the process past every hook
//   noclass[=TEXT]  the main class is missing; TEXT, the pending
//                   exception's toString
//   nomain[=TEXT]   its main method is missing
//   nullarray       NewObjectArray answers null
//   nullstring      NewStringUTF answers null
//   handler=TEXT    the application's uncaught-exception handler prints TEXT
//                   instead of the default trace
//   openhandler     the application has brannoc.tarvo.TarvoApp and has set
//                   an open handler, which records each hand-over
//   busyhandler=MS  the handler takes MS over the first hand-over
//   shutdown=MS     DestroyJavaVM runs shutdown hooks for MS, during which
//                   the library refuses hand-overs as ending
//   refusesharing   JNI_CreateJavaVM refuses any option of class data
//                   sharing, as a VM that does not know them
//   (the archive options are acted out: DestroyJavaVM writes the file that
//   AutoCreateSharedArchive, ArchiveClassesAtExit or AOTCacheOutput names)
//   ctrlhook=PATH   as a VM does, takes Ctrl+C, Ctrl+Break and the
//                   console's close: a shutdown hook writes PATH, and the
//                   process ends with 130
// and while main runs:
//   readin          reads a line from standard input and writes it back to
//                   standard output after "read: "
//   hasconsole=PATH writes "console" or "none" to PATH
//   stdout=TEXT, stderr=TEXT, comm=TEXT (\n \r \t \\ escapes)
//   commhex=HEX     append bytes given in hex to the comm file
//   cmdline=PATH    write the process's command line to PATH, UTF-8
//   loadlib=PATH    load a native library as System.load does, and record
//                   whether it loaded
//   window          show a visible top-level window
//   box=TEXT        show a message box until it is closed
//   sleep=MS
//   exit=CODE       System.exit(CODE): the exit hook, else the process ends
//   exitonce=CODE   the same, the first time only (as an application that
//                   asks for a restart to apply an update)
//   throw=TEXT      main ends with an exception, TEXT its default trace;
//                   detaching the thread hands it to the handler
//   nodispatch      its Thread has no dispatchUncaughtException: detaching
//                   prints nothing for an exception (as a VM that is no
//                   OpenJDK)
#include <windows.h>

#include <cstdarg>
#include <cstdlib>
#include <string>
#include <vector>

#include "standin_files.h"
#include "standin_text.h"

#include "app/jni.h"

namespace {

std::wstring directory;  // any script, whatever the code page
std::vector<std::pair<std::string, std::string>> script;
std::string commFile;
// As in a VM, each thread has its own pending exception. Its text is held
// by pointer: a thread's object with a destructor would need the C++
// runtime's hook for the end of a thread.
thread_local bool thrown = false;
thread_local std::string* pendingText = nullptr;
typedef jint(JNICALL* PrintHook)(void*, const char*, va_list);
PrintHook printHook = nullptr;
ExitHook exitHook = nullptr;
AbortHook abortHook = nullptr;
DWORD loadingThread = 0;
thread_local bool attachedAsDaemon = false;
JniFunctionTable envTable, vmTable;
const JniFunctionTable* env = &envTable;
const JniFunctionTable* vm = &vmTable;
// Strings by handle (100 + index), arrays of them by handle (1000 + index).
std::vector<std::string> strings;
std::vector<std::vector<std::string>> arrays;
std::vector<std::string> elements;
CRITICAL_SECTION objects;
std::vector<std::string> arrayOf(jobject array);

std::string& throwText() {
    if (!pendingText) pendingText = new std::string;
    return *pendingText;
}

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out.push_back(c);
    }
    return out;
}

// Beside the library, or where STANDIN_RECORD says: a runtime copy must
// hold exactly its own files.
void record(const std::string& line) {
    wchar_t elsewhere[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"STANDIN_RECORD", elsewhere, MAX_PATH);
    std::wstring path = n && n < MAX_PATH ? std::wstring(elsewhere) : directory + L"jvm.record";
    HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\n";
    WriteFile(f, text.data(), (DWORD)text.size(), &n, nullptr);
    CloseHandle(f);
}

bool has(const char* verb) {
    for (auto& step : script)
        if (step.first == verb) return true;
    return false;
}

std::string valueOf(const char* verb) {
    for (auto& step : script)
        if (step.first == verb) return step.second;
    return "";
}

void print(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (printHook) printHook(stream, format, args);
    va_end(args);
}

// What a VM does on System.exit and when it cannot go on in its start.
void vmExit(int code) {
    record("exit=" + std::to_string(code) + (exitHook ? " through the hook" : ""));
    if (exitHook) exitHook(code);
    ExitProcess((UINT)code);
}

void vmAbort() {
    record(std::string("abort") + (abortHook ? " through the hook" : ""));
    if (abortHook) abortHook();
    ExitProcess(3);
}

void loadScript() {
    std::string all;
    readToEnd(CreateFileW((directory + L"jvm.script").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              &all);
    for (const std::string& line : scriptLines(all)) {
        size_t eq = line.find('=');
        script.push_back({line.substr(0, eq), eq == std::string::npos ? "" : unescapeScript(line.substr(eq + 1))});
    }
}

void writeStd(DWORD which, const std::string& text) {
    DWORD n;
    WriteFile(GetStdHandle(which), text.data(), (DWORD)text.size(), &n, nullptr);
}

void appendComm(const std::string& text) {
    HANDLE f = CreateFileA(commFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    SetFilePointer(f, 0, nullptr, FILE_END);
    DWORD n;
    WriteFile(f, text.data(), (DWORD)text.size(), &n, nullptr);
    CloseHandle(f);
}

std::string fromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back((char)strtol(hex.substr(i, 2).c_str(), nullptr, 16));
    return out;
}

// Creates or empties the file.
void writeFileText(const std::string& path, const std::string& text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD n;
    WriteFile(f, text.data(), (DWORD)text.size(), &n, nullptr);
    CloseHandle(f);
}

void writeCommandLine(const std::string& path) {
    const wchar_t* line = GetCommandLineW();
    int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, &utf8[0], n, nullptr, nullptr);
    writeFileText(path, utf8);
}

// True once: it leaves a marker beside the library.
bool firstTime(const wchar_t* marker) {
    HANDLE f = CreateFileW((directory + marker).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    return true;
}

void pump(DWORD ms) {
    DWORD until = GetTickCount() + ms;
    while ((LONG)(until - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

jobject handle(intptr_t n) { return (jobject)n; }

jclass JNICALL findClass(JNIEnv*, const char* name) {
    record(std::string("FindClass=") + name);
    if (std::string(name) == "brannoc/tarvo/TarvoApp") {
        if (has("openhandler")) return handle(3);
        thrown = true;
        throwText() = "java.lang.NoClassDefFoundError: brannoc/tarvo/TarvoApp";
        return nullptr;
    }
    if (std::string(name) != "java/lang/String" && has("noclass")) {
        thrown = !valueOf("noclass").empty();
        throwText() = valueOf("noclass");
        return nullptr;
    }
    return handle(1);
}

void JNICALL exceptionClear(JNIEnv*) {
    record("ExceptionClear");
    thrown = false;
}

// As a VM whose instance calls through this interface are broken, only
// String.valueOf, a static method, gives an object's text.
jobject JNICALL callStaticObjectMethodA(JNIEnv*, jclass, jmethodID method, const jvalue* args) {
    record("CallStaticObjectMethodA");
    return method == (jmethodID)handle(11) && args[0].l == handle(9) ? handle(12) : nullptr;
}

jint JNICALL throwObject(JNIEnv*, jthrowable object) {
    record("Throw");
    thrown = object == handle(9);
    return 0;
}

// Java's modified UTF-8 of the thrown text: it holds no zero byte here.
const char* JNICALL getStringUTFChars(JNIEnv*, jstring text, jboolean*) {
    return text == handle(12) ? throwText().c_str() : nullptr;
}

void JNICALL releaseStringUTFChars(JNIEnv*, jstring, const char*) { record("ReleaseStringUTFChars"); }

jthrowable JNICALL exceptionOccurred(JNIEnv*) {
    record("ExceptionOccurred");
    return thrown ? handle(9) : nullptr;
}

void JNICALL exceptionDescribe(JNIEnv*) {
    record("ExceptionDescribe");
    writeStd(STD_ERROR_HANDLE, throwText());
}

jmethodID JNICALL getStaticMethodID(JNIEnv*, jclass, const char* name, const char* sig) {
    record(std::string("GetStaticMethodID=") + name + " " + sig);
    if (std::string(name) == "handOver") return (jmethodID)handle(4);
    if (std::string(name) == "valueOf") return (jmethodID)handle(11);
    // Its system properties are none: the launcher goes by the release file.
    if (std::string(name) == "getProperty") return nullptr;
    if (!has("nomain")) return (jmethodID)handle(2);
    thrown = !valueOf("nomain").empty();
    throwText() = valueOf("nomain");
    return nullptr;
}

jmethodID JNICALL getMethodID(JNIEnv*, jclass, const char* name, const char*) {
    record(std::string("GetMethodID=") + name);
    thrown = has("nodispatch");
    return thrown ? nullptr : (jmethodID)handle(13);
}

// No exception of a script has a cause.
jobject JNICALL callObjectMethodA(JNIEnv*, jobject, jmethodID, const jvalue*) {
    record("CallObjectMethodA");
    return nullptr;
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    writeFileText(valueOf("ctrlhook"), "hook ran on event " + std::to_string(event) + "\n");
    ExitProcess(130);
}

void readLineBack() {
    std::string line;
    char c;
    DWORD n = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &n, nullptr) && n == 1 && c != '\n')
        if (c != '\r') line += c;
    writeStd(STD_OUTPUT_HANDLE, "read: " + line + "\n");
}

void runMain() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    record("main-at=" + std::to_string(((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime));
    for (auto& step : script) {
        if (step.first == "stdout") writeStd(STD_OUTPUT_HANDLE, step.second);
        else if (step.first == "stderr") writeStd(STD_ERROR_HANDLE, step.second);
        else if (step.first == "comm") appendComm(step.second);
        else if (step.first == "commhex") appendComm(fromHex(step.second));
        else if (step.first == "cmdline") writeCommandLine(step.second);
        else if (step.first == "loadlib")
            record(std::string("loadlib ") + (LoadLibraryA(step.second.c_str()) ? "loaded" : "failed " + std::to_string(GetLastError())));
        else if (step.first == "box") MessageBoxA(nullptr, step.second.c_str(), "Stand-in", MB_OK);
        else if (step.first == "exit" || (step.first == "exitonce" && firstTime(L"jvm.restarted"))) {
            Sleep(150);  // the harness must have a moment to see the child
            vmExit(atoi(step.second.c_str()));
        }
        else if (step.first == "window")
            ShowWindow(CreateWindowExA(0, "STATIC", "Stand-in application", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                       10, 200, 100, nullptr, nullptr, nullptr, nullptr),
                       SW_SHOW);
        else if (step.first == "sleep") pump((DWORD)atoi(step.second.c_str()));
        else if (step.first == "readin") readLineBack();
        else if (step.first == "hasconsole") {
            DWORD mode = 0;
            HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            writeFileText(step.second, GetConsoleMode(screen, &mode) ? "console" : "none");
            if (screen != INVALID_HANDLE_VALUE) CloseHandle(screen);
        }
        else if (step.first == "throw") {
            thrown = true;
            throwText() = step.second;
            break;
        }
    }
    record("main-returned");
}

void JNICALL callStaticVoidMethodV(JNIEnv*, jclass, jmethodID, va_list args) {
    jobject array = va_arg(args, jobject);
    elements = arrayOf(array);
    record("CallStaticVoidMethod array=" + std::to_string((intptr_t)array) + " length=" +
           std::to_string(elements.size()));
    for (auto& e : elements) record("element=" + escape(e));
    runMain();
}

void callStaticVoidMethod(JNIEnv* e, jclass c, jmethodID m, ...) {
    va_list args;
    va_start(args, m);
    record("variadic form used");
    callStaticVoidMethodV(e, c, m, args);
    va_end(args);
}

jstring JNICALL newStringUTF(JNIEnv*, const char* bytes) {
    if (has("nullstring")) return nullptr;
    EnterCriticalSection(&objects);
    strings.push_back(bytes);
    jstring made = handle(100 + (intptr_t)strings.size() - 1);
    LeaveCriticalSection(&objects);
    return made;
}

jobjectArray JNICALL newObjectArray(JNIEnv*, jsize length, jclass, jobject) {
    record("NewObjectArray=" + std::to_string(length));
    if (has("nullarray")) return nullptr;
    EnterCriticalSection(&objects);
    arrays.push_back(std::vector<std::string>(length));
    jobjectArray made = handle(1000 + (intptr_t)arrays.size() - 1);
    LeaveCriticalSection(&objects);
    return made;
}

void JNICALL setObjectArrayElement(JNIEnv*, jobjectArray array, jsize index, jobject value) {
    EnterCriticalSection(&objects);
    arrays.at((intptr_t)array - 1000).at(index) = strings.at((intptr_t)value - 100);
    LeaveCriticalSection(&objects);
}

std::vector<std::string> arrayOf(jobject array) {
    EnterCriticalSection(&objects);
    std::vector<std::string> items = arrays.at((intptr_t)array - 1000);
    LeaveCriticalSection(&objects);
    return items;
}

uint64_t fileTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;
}

volatile bool shuttingDown = false;
// What each archive option names, by its place in archiveOptions.
const char* const archiveOptions[] = {"-XX:SharedArchiveFile=", "-XX:ArchiveClassesAtExit=", "-XX:AOTCacheOutput="};
enum { SHARED_ARCHIVE, ARCHIVE_AT_EXIT, AOT_CACHE };
std::string archiveAtExit[3];
bool autoArchive = false;

// TarvoApp.handOver: the application's handler records what it was given,
// and answers as the library does: 1 taken, 2 the application is ending.
jint JNICALL callStaticIntMethodA(JNIEnv*, jclass, jmethodID method, const jvalue* args) {
    if (method != (jmethodID)handle(4)) return 0;
    uint64_t at = fileTimeNow();
    EnterCriticalSection(&objects);
    std::string text = "handover dir=" + strings.at((intptr_t)args[0].l - 100) + " words=";
    LeaveCriticalSection(&objects);
    for (auto& word : arrayOf(args[1].l)) text += word + "|";
    if (shuttingDown) {
        record("refused as ending: " + text);
        return 2;
    }
    record(text + " wait=" + std::to_string(args[2].j) + " daemon=" + std::to_string(attachedAsDaemon));
    record("handover-at=" + std::to_string(at));
    if (has("busyhandler") && firstTime(L"jvm.busy")) {
        Sleep((DWORD)atoi(valueOf("busyhandler").c_str()));
        record("handler-free-at=" + std::to_string(fileTimeNow()));
    }
    return 1;
}

// A thread that leaves the VM with an exception pending hands it to its
// uncaught-exception handler, as Thread.exit does.
jint JNICALL detachCurrentThread(JavaVM*) {
    record("DetachCurrentThread");
    if (thrown && !has("nodispatch")) {
        std::string handler = valueOf("handler");
        record(handler.empty() ? "default handler" : "application's handler");
        writeStd(STD_ERROR_HANDLE, handler.empty() ? throwText() : handler);
    }
    thrown = false;
    return 0;
}

jint JNICALL attachCurrentThreadAsDaemon(JavaVM*, void** outEnv, void*) {
    record("AttachCurrentThreadAsDaemon");
    attachedAsDaemon = true;
    *outEnv = &env;
    return 0;
}

jint JNICALL destroyJavaVM(JavaVM*) {
    record("DestroyJavaVM");
    // As the VM writes its archive at exit.
    std::string written = archiveAtExit[ARCHIVE_AT_EXIT] + archiveAtExit[AOT_CACHE];
    if (written.empty() && autoArchive) written = archiveAtExit[SHARED_ARCHIVE];
    if (!written.empty()) {
        writeFileText(written, "archive");
        SetFileAttributesA(written.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    if (has("shutdown")) {
        shuttingDown = true;
        record("shutdown-hooks");
        Sleep((DWORD)atoi(valueOf("shutdown").c_str()));
    }
    // The child ends right after this; the harness, which finds it by
    // polling, must have a moment to see it.
    Sleep(150);
    return 0;
}

void findOwnDirectory() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)&findOwnDirectory, &self);
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(self, path, MAX_PATH);
    directory = path;
    directory = directory.substr(0, directory.rfind(L'\\') + 1);
}

}  // namespace

#ifdef TARVO_NEEDS_RUNTIME
extern "C" __declspec(dllimport) int standinRuntimeReady();
#endif
#ifdef TARVO_NEEDS_NOWHERE
extern "C" __declspec(dllimport) int nowhereReady();
#endif

// How much stack the calling thread may grow to.
size_t stackReserve() {
    MEMORY_BASIC_INFORMATION here;
    VirtualQuery(&here, &here, sizeof here);
    NT_TIB* tib = (NT_TIB*)NtCurrentTeb();
    return (size_t)((char*)tib->StackBase - (char*)here.AllocationBase);
}

extern "C" __declspec(dllexport) jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* raw) {
    findOwnDirectory();
    loadScript();
    JDK1_1InitArgs* args = (JDK1_1InitArgs*)raw;
    record("GetDefaultJavaVMInitArgs version=" + std::to_string(args->version));
    // As a VM answers the JDK's launcher: version 1.1 is asked for the size.
    if (args->version != JNI_VERSION_1_1) return -1;
    args->version = JNI_VERSION_1_2;
    args->javaStackSize = atoi(valueOf("defaultstack").c_str());
    script.clear();
    return 0;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        loadingThread = GetCurrentThreadId();
        InitializeCriticalSection(&objects);
    }
    // Unloaded while the process goes on: a VM does not survive that.
    if (reason == DLL_PROCESS_DETACH && !reserved && !directory.empty()) record("unloaded");
    return TRUE;
}

extern "C" __declspec(dllexport) jint JNICALL JNI_CreateJavaVM(JavaVM** outVm, void** outEnv, void* rawArgs) {
    FILETIME entered;
    GetSystemTimeAsFileTime(&entered);
    findOwnDirectory();
    loadScript();
    record("create-at=" + std::to_string(((uint64_t)entered.dwHighDateTime << 32) | entered.dwLowDateTime));
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    record(std::string("cwd=") + cwd);
    record("acp=" + std::to_string(GetACP()));
    record("stack-reserve=" + std::to_string(stackReserve()));
    record("on-loading-thread=" + std::to_string(GetCurrentThreadId() == loadingThread));
#ifdef TARVO_NEEDS_RUNTIME
    record("runtime=" + std::to_string(standinRuntimeReady()));
#endif
#ifdef TARVO_NEEDS_NOWHERE
    record("nowhere=" + std::to_string(nowhereReady()));
#endif
    JavaVMInitArgs* args = (JavaVMInitArgs*)rawArgs;
    record("JNI_CreateJavaVM version=" + std::to_string(args->version) + " nOptions=" +
           std::to_string(args->nOptions) + " ignoreUnrecognized=" + std::to_string(args->ignoreUnrecognized));
    for (std::string& named : archiveAtExit) named.clear();
    autoArchive = false;
    for (jint i = 0; i < args->nOptions; ++i) {
        std::string option = args->options[i].optionString;
        void* extra = args->options[i].extraInfo;
        if (extra && (option == "vfprintf" || option == "exit" || option == "abort")) {
            record("hook=" + option);
            if (option == "vfprintf") printHook = (PrintHook)extra;
            if (option == "exit") exitHook = (ExitHook)extra;
            if (option == "abort") abortHook = (AbortHook)extra;
            continue;
        }
        record("option=" + escape(option) + (extra ? " extraInfo!" : ""));
        if (has("refusesharing") && (option.find("Shared") != std::string::npos || option.find("AOT") != std::string::npos ||
                                     option.find("ArchiveClasses") != std::string::npos)) {
            record("refused " + option);
            return -6;
        }
        for (int which = 0; which < 3; ++which)
            if (option.rfind(archiveOptions[which], 0) == 0)
                archiveAtExit[which] = option.substr(strlen(archiveOptions[which]));
        if (option == "-XX:+AutoCreateSharedArchive") autoArchive = true;
        if (option.compare(0, 17, "-Dtarvo.commFile=") == 0) commFile = option.substr(17);
    }
    // In the script's order, each to its stream.
    for (auto& step : script) {
        if (step.first == "vmsay") print(stderr, "%s\n", step.second.c_str());
        if (step.first == "vmout") print(stdout, "%s\n", step.second.c_str());
    }
    if (has("ctrlhook")) SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    if (has("vmabort")) vmAbort();
    if (has("vmexit")) vmExit(atoi(valueOf("vmexit").c_str()));
    if (has("vmdie")) ExitProcess((UINT)atoi(valueOf("vmdie").c_str()));
    for (auto& step : script)
        if (step.first == "create" && atoi(step.second.c_str()) < 0) return atoi(step.second.c_str());
    envTable.slot[SLOT_FIND_CLASS] = (void*)findClass;
    envTable.slot[SLOT_EXCEPTION_OCCURRED] = (void*)exceptionOccurred;
    envTable.slot[SLOT_EXCEPTION_DESCRIBE] = (void*)exceptionDescribe;
    envTable.slot[SLOT_EXCEPTION_CLEAR] = (void*)exceptionClear;
    envTable.slot[SLOT_CALL_STATIC_OBJECT_METHOD_A] = (void*)callStaticObjectMethodA;
    envTable.slot[SLOT_THROW] = (void*)throwObject;
    envTable.slot[SLOT_GET_STRING_UTF_CHARS] = (void*)getStringUTFChars;
    envTable.slot[SLOT_RELEASE_STRING_UTF_CHARS] = (void*)releaseStringUTFChars;
    envTable.slot[SLOT_GET_STATIC_METHOD_ID] = (void*)getStaticMethodID;
    envTable.slot[SLOT_GET_METHOD_ID] = (void*)getMethodID;
    envTable.slot[SLOT_CALL_OBJECT_METHOD_A] = (void*)callObjectMethodA;
    envTable.slot[SLOT_CALL_STATIC_VOID_METHOD] = (void*)callStaticVoidMethod;
    envTable.slot[SLOT_CALL_STATIC_VOID_METHOD_V] = (void*)callStaticVoidMethodV;
    envTable.slot[SLOT_NEW_STRING_UTF] = (void*)newStringUTF;
    envTable.slot[SLOT_NEW_OBJECT_ARRAY] = (void*)newObjectArray;
    envTable.slot[SLOT_SET_OBJECT_ARRAY_ELEMENT] = (void*)setObjectArrayElement;
    envTable.slot[SLOT_CALL_STATIC_INT_METHOD_A] = (void*)callStaticIntMethodA;
    vmTable.slot[SLOT_ATTACH_CURRENT_THREAD_AS_DAEMON] = (void*)attachCurrentThreadAsDaemon;
    vmTable.slot[SLOT_DESTROY_JAVA_VM] = (void*)destroyJavaVM;
    vmTable.slot[SLOT_DETACH_CURRENT_THREAD] = (void*)detachCurrentThread;
    *outVm = &vm;
    *outEnv = &env;
    return 0;
}
