// Java strings and arrays of them from the launcher's UTF-8 texts.
#pragma once
#include <cstddef>

#include "app/jni.h"

// A new String from UTF-8 text (as Java's modified form); nullptr when the
// VM or memory refuses it.
jstring newJavaString(JNIEnv* env, const char* text);
// A new String[] of the texts; nullptr when it could not be made, with
// *failed naming what the VM refused ("paramArray" or "jstr").
jobjectArray newJavaStringArray(JNIEnv* env, char* const* texts, size_t count, const char** failed);
// An object's text as String.valueOf gives it, UTF-8, cut between
// characters to fit; empty where the VM gives none. Called statically:
// some VMs cannot call an instance method through this interface.
void javaObjectText(JNIEnv* env, jobject object, char* dst, size_t cap);
// A system property of the running VM (System.getProperty), UTF-8; empty
// where it has none. Any exception of the call is cleared.
void javaSystemProperty(JNIEnv* env, const char* name, char* dst, size_t cap);
