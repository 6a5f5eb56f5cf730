#include "jvm/find_jvm.h"

// No source is searched yet: every machine looks like one without Java.
JvmSource findJvm(char* javaPath, char*) {
    javaPath[0] = '\0';
    return JVM_NOT_FOUND;
}
