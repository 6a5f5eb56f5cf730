#include "app/run_application.h"

#include <windows.h>

#include <cstdlib>

#include "app/jni.h"
#include "files/string_list.h"
#include "app/vm_options.h"
#include "app/vm_text.h"
#include "app/words_text.h"
#include "errors/fail.h"
#include "files/text.h"
#include "files/trace.h"
#include "jvm/find_jvm.h"
#include "config/config.h"


static CreateJavaVMFunction createJavaVM = nullptr;

bool lookUpCreateJavaVM(HMODULE library) {
    createJavaVM = (CreateJavaVMFunction)(void*)GetProcAddress(library, "JNI_CreateJavaVM");
    return createJavaVM != nullptr;
}

const char* fillVmInitArgs(JavaVMInitArgs* args, const char* commFile, const char* extractDir, const char* userArgs) {
    StringList list = {nullptr, 0, 0};
    const char* mainArgs = buildVmOptions(&list, commFile, extractDir, userArgs);
    ZeroMemory(args, sizeof *args);
    args->version = JNI_VERSION_1_2;
    args->ignoreUnrecognized = JNI_TRUE;
    args->nOptions = (jint)list.count;
    args->options = (JavaVMOption*)calloc(list.count ? list.count : 1, sizeof(JavaVMOption));
    if (!args->options) failWithMessage(MSG_OUT_OF_MEMORY);
    // The first two, the comm file and the class path, are made for the VM
    // already, path by path.
    for (size_t i = 0; i < list.count; ++i) {
        char* option = i < 2 ? list.items[i] : vmText(list.items[i]);
        if (!option) failWithMessage(MSG_PATH_NOT_PASSABLE, "%FILE_NAME%", list.items[i]);
        if (option != list.items[i]) free(list.items[i]);
        args->options[i].optionString = option;
    }
    releaseListStorage(&list);
    return mainArgs;
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
    splitOrFail(userArgs, nullptr, &words);
    jclass stringClass = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, "java/lang/String");
    jobjectArray array =
        jniSlot<NewObjectArrayFunction>(*env, SLOT_NEW_OBJECT_ARRAY)(env, (jsize)words.count, stringClass, nullptr);
    if (!array) failAssertion("paramArray");
    for (size_t i = 0; i < words.count; ++i) {
        char* text = javaStringText(words.items[i]);
        if (!text) failWithMessage(MSG_OUT_OF_MEMORY);
        jstring word = jniSlot<NewStringUTFFunction>(*env, SLOT_NEW_STRING_UTF)(env, text);
        free(text);
        if (!word) failAssertion("jstr");
        jniSlot<SetObjectArrayElementFunction>(*env, SLOT_SET_OBJECT_ARRAY_ELEMENT)(env, array, (jsize)i, word);
    }
    releaseListStorage(&words);
    return array;
}

bool runApplication(const char* javaPath, const char* commFile, const char* extractDir, const char* userArgs) {
    HMODULE library = loadJvmLibrary(javaPath);
    if (!library) return false;
    if (!lookUpCreateJavaVM(library)) return false;
    JavaVMInitArgs args;
    const char* mainArgs = fillVmInitArgs(&args, commFile, extractDir, userArgs);
    for (jint i = 0; i < args.nOptions; ++i) trace({"child: VM option ", args.options[i].optionString});
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    jint created = createJavaVM(&vm, (void**)&env, &args);
    char result[16] = "";
    appendUnsigned(result, sizeof result, (unsigned long)(created < 0 ? -created : created));
    trace({"child: JNI_CreateJavaVM answered ", created < 0 ? "-" : "", result});
    if (created < 0) return false;

    char mainClass[TEXT_CAP];
    configString(CFG_MAIN_CLASS, mainClass, sizeof mainClass);
    mainClassToInternalName(mainClass);
    jclass cls = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, mainClass);
    if (!cls) failWithMessage(MSG_NO_MAIN_CLASS);
    jmethodID main = jniSlot<GetStaticMethodIDFunction>(*env, SLOT_GET_STATIC_METHOD_ID)(
        env, cls, "main", "([Ljava/lang/String;)V");
    if (!main) failWithMessage(MSG_NO_MAIN_METHOD);

    callStaticVoidMethod(env, cls, main, mainArguments(env, mainArgs));
    if (jniSlot<ExceptionOccurredFunction>(*env, SLOT_EXCEPTION_OCCURRED)(env))
        jniSlot<ExceptionDescribeFunction>(*env, SLOT_EXCEPTION_DESCRIBE)(env);
    jniSlot<DestroyJavaVMFunction>(*vm, SLOT_DESTROY_JAVA_VM)(vm);
    FreeLibrary(library);
    return true;
}
