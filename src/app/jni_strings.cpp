#include "app/jni_strings.h"

#include <cstdlib>

#include "app/java_string_text.h"
#include "app/vm_text.h"

jstring newJavaString(JNIEnv* env, const char* text) {
    char* modified = javaStringText(text);
    if (!modified) return nullptr;
    jstring string = jniSlot<NewStringUTFFunction>(*env, SLOT_NEW_STRING_UTF)(env, modified);
    free(modified);
    return string;
}

jobjectArray newJavaStringArray(JNIEnv* env, char* const* texts, size_t count, const char** failed) {
    jclass stringClass = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, "java/lang/String");
    jobjectArray array = stringClass ? jniSlot<NewObjectArrayFunction>(*env, SLOT_NEW_OBJECT_ARRAY)(
                                           env, (jsize)count, stringClass, nullptr)
                                     : nullptr;
    *failed = "paramArray";
    if (!array) return nullptr;
    *failed = "jstr";
    for (size_t i = 0; i < count; ++i) {
        jstring word = newJavaString(env, texts[i]);
        if (!word) return nullptr;
        jniSlot<SetObjectArrayElementFunction>(*env, SLOT_SET_OBJECT_ARRAY_ELEMENT)(env, array, (jsize)i, word);
    }
    *failed = nullptr;
    return array;
}

// A static String method of one String argument: String.valueOf(Object),
// System.getProperty(String). Empty where the VM gives no text.
static void staticStringCall(JNIEnv* env, const char* className, const char* name, const char* signature,
                             jobject argument, char* dst, size_t cap) {
    if (cap) dst[0] = '\0';
    jclass cls = jniSlot<FindClassFunction>(*env, SLOT_FIND_CLASS)(env, className);
    jmethodID method =
        cls ? jniSlot<GetStaticMethodIDFunction>(*env, SLOT_GET_STATIC_METHOD_ID)(env, cls, name, signature) : nullptr;
    jvalue value;
    value.l = argument;
    jstring text = method ? (jstring)jniSlot<CallStaticObjectMethodAFunction>(*env, SLOT_CALL_STATIC_OBJECT_METHOD_A)(
                                env, cls, method, &value)
                          : nullptr;
    const char* chars = text ? jniSlot<GetStringUTFCharsFunction>(*env, SLOT_GET_STRING_UTF_CHARS)(env, text, nullptr)
                             : nullptr;
    if (!chars) return;
    fromModifiedUtf8(chars, dst, cap);
    jniSlot<ReleaseStringUTFCharsFunction>(*env, SLOT_RELEASE_STRING_UTF_CHARS)(env, text, chars);
}

void javaObjectText(JNIEnv* env, jobject object, char* dst, size_t cap) {
    staticStringCall(env, "java/lang/String", "valueOf", "(Ljava/lang/Object;)Ljava/lang/String;", object, dst, cap);
}

void javaSystemProperty(JNIEnv* env, const char* name, char* dst, size_t cap) {
    if (cap) dst[0] = '\0';
    jstring key = newJavaString(env, name);
    if (key) staticStringCall(env, "java/lang/System", "getProperty", "(Ljava/lang/String;)Ljava/lang/String;", key, dst, cap);
    // A VM without the property answers with nothing, or with an exception.
    jniSlot<ExceptionClearFunction>(*env, SLOT_EXCEPTION_CLEAR)(env);
}
