// The part of the Java invocation and native interfaces that the launcher
// uses: the types, and the function-table slots by their published
// positions. The tables are read as arrays of function pointers.
#pragma once
#include <cstdarg>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define JNICALL __stdcall
#else
#define JNICALL
#endif

typedef int32_t jint;
typedef int32_t jsize;
typedef uint8_t jboolean;
typedef struct JObjectOpaque* jobject;
typedef jobject jclass;
typedef jobject jstring;
typedef jobject jobjectArray;
typedef jobject jthrowable;
typedef struct JMethodOpaque* jmethodID;
typedef union jvalue {
    jint i;
    int64_t j;
    jobject l;
} jvalue;

enum { JNI_VERSION_1_1 = 0x00010001, JNI_VERSION_1_2 = 0x00010002, JNI_TRUE = 1, JNI_FALSE = 0, JNI_OK = 0 };

struct JavaVMOption {
    char* optionString;
    void* extraInfo;
};

struct JavaVMInitArgs {
    jint version;
    jint nOptions;
    JavaVMOption* options;
    jboolean ignoreUnrecognized;
};

// What JNI_GetDefaultJavaVMInitArgs fills for version 1.1: a VM tells its
// default thread stack size there, as the JDK's launcher asks it to.
struct JDK1_1InitArgs {
    jint version;
    char** properties;
    jint checkSource;
    jint nativeStackSize;
    jint javaStackSize;
    jint minHeapSize;
    jint maxHeapSize;
    jint verifyMode;
    char* classpath;
    void* vfprintf;
    void* exit;
    void* abort;
    jint enableClassGC;
    jint enableVerboseGC;
    jint disableAsyncGC;
    jint verbose;
    jboolean debugging;
    jint debugPort;
};

struct JniFunctionTable {
    void* slot[229];
};
typedef const JniFunctionTable* JNIEnv;
typedef const JniFunctionTable* JavaVM;

enum JniSlot {
    SLOT_FIND_CLASS = 6,
    SLOT_EXCEPTION_OCCURRED = 15,
    SLOT_EXCEPTION_DESCRIBE = 16,
    SLOT_EXCEPTION_CLEAR = 17,
    SLOT_THROW = 13,
    SLOT_GET_METHOD_ID = 33,
    SLOT_CALL_OBJECT_METHOD_A = 36,
    SLOT_GET_STATIC_METHOD_ID = 113,
    SLOT_CALL_STATIC_OBJECT_METHOD_A = 116,
    SLOT_CALL_STATIC_INT_METHOD_A = 131,
    SLOT_CALL_STATIC_VOID_METHOD = 141,
    SLOT_CALL_STATIC_VOID_METHOD_V = 142,
    SLOT_NEW_STRING_UTF = 167,
    SLOT_NEW_OBJECT_ARRAY = 172,
    SLOT_GET_STRING_UTF_CHARS = 169,
    SLOT_RELEASE_STRING_UTF_CHARS = 170,
    SLOT_SET_OBJECT_ARRAY_ELEMENT = 174,
    // The invocation interface's table.
    SLOT_DESTROY_JAVA_VM = 3,
    SLOT_DETACH_CURRENT_THREAD = 5,
    SLOT_ATTACH_CURRENT_THREAD_AS_DAEMON = 7,
};

typedef jint(JNICALL* CreateJavaVMFunction)(JavaVM** vm, void** env, void* args);
typedef jclass(JNICALL* FindClassFunction)(JNIEnv* env, const char* name);
typedef jthrowable(JNICALL* ExceptionOccurredFunction)(JNIEnv* env);
typedef void(JNICALL* ExceptionDescribeFunction)(JNIEnv* env);
typedef jmethodID(JNICALL* GetStaticMethodIDFunction)(JNIEnv* env, jclass cls, const char* name, const char* sig);
typedef void(JNICALL* CallStaticVoidMethodVFunction)(JNIEnv* env, jclass cls, jmethodID method, va_list args);
typedef jstring(JNICALL* NewStringUTFFunction)(JNIEnv* env, const char* bytes);
typedef jobjectArray(JNICALL* NewObjectArrayFunction)(JNIEnv* env, jsize length, jclass cls, jobject init);
typedef void(JNICALL* SetObjectArrayElementFunction)(JNIEnv* env, jobjectArray array, jsize index, jobject value);
typedef jint(JNICALL* DestroyJavaVMFunction)(JavaVM* vm);
typedef jint(JNICALL* DetachCurrentThreadFunction)(JavaVM* vm);
typedef jint(JNICALL* AttachCurrentThreadAsDaemonFunction)(JavaVM* vm, void** env, void* args);
typedef jint(JNICALL* CallStaticIntMethodAFunction)(JNIEnv* env, jclass cls, jmethodID method, const jvalue* args);
typedef jint(JNICALL* GetDefaultJavaVMInitArgsFunction)(void* args);
typedef void(JNICALL* ExceptionClearFunction)(JNIEnv* env);
typedef jobject(JNICALL* CallStaticObjectMethodAFunction)(JNIEnv* env, jclass cls, jmethodID method,
                                                          const jvalue* args);
typedef jint(JNICALL* ThrowFunction)(JNIEnv* env, jthrowable thrown);
typedef jobject(JNICALL* CallObjectMethodAFunction)(JNIEnv* env, jobject object, jmethodID method,
                                                    const jvalue* args);
typedef const char*(JNICALL* GetStringUTFCharsFunction)(JNIEnv* env, jstring text, jboolean* isCopy);
typedef void(JNICALL* ReleaseStringUTFCharsFunction)(JNIEnv* env, jstring text, const char* chars);

// The hooks a VM takes as options "vfprintf", "exit" and "abort", the
// function in extraInfo. The FILE is the VM's own runtime's.
typedef jint(JNICALL* VfprintfHook)(void* file, const char* format, va_list args);
typedef void(JNICALL* ExitHook)(jint code);
typedef void(JNICALL* AbortHook)();

template <typename Function>
Function jniSlot(const JniFunctionTable* table, JniSlot slot) {
    return (Function)table->slot[slot];
}
