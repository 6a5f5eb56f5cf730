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

enum { JNI_VERSION_1_2 = 0x00010002, JNI_TRUE = 1 };

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

struct JniFunctionTable {
    void* slot[229];
};
typedef const JniFunctionTable* JNIEnv;
typedef const JniFunctionTable* JavaVM;

enum JniSlot {
    SLOT_FIND_CLASS = 6,
    SLOT_EXCEPTION_OCCURRED = 15,
    SLOT_EXCEPTION_DESCRIBE = 16,
    SLOT_GET_STATIC_METHOD_ID = 113,
    SLOT_CALL_STATIC_VOID_METHOD = 141,
    SLOT_CALL_STATIC_VOID_METHOD_V = 142,
    SLOT_NEW_STRING_UTF = 167,
    SLOT_NEW_OBJECT_ARRAY = 172,
    SLOT_SET_OBJECT_ARRAY_ELEMENT = 174,
    SLOT_DESTROY_JAVA_VM = 3,
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

template <typename Function>
Function jniSlot(const JniFunctionTable* table, JniSlot slot) {
    return (Function)table->slot[slot];
}
