#include "app/run_application.h"

#include "jvm/find_jvm.h"

// The VM cannot be created yet: a library that loads is let go again, and
// the caller reports the failure by the search's source.
bool runApplication(const char* javaPath, const char*, const char*, const char*) {
    HMODULE library = loadJvmLibrary(javaPath);
    if (library) FreeLibrary(library);
    return false;
}
