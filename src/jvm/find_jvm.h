// Finding a Java VM that the configuration accepts, and loading its library.
#pragma once
#include <windows.h>

enum JvmSource {
    JVM_NOT_FOUND = 0,
    JVM_FROM_PATH = 1,
    JVM_FROM_DEFINED_PATH = 2,
    JVM_FROM_ENV_VAR = 3,
    JVM_FROM_REGISTRY = 4,
    JVM_FROM_RUNTIME = 5,
};

// The folder of the runtime the launcher carries, for the search's "I".
void setRuntimeHome(const char* home);

// Fills javaPath (TEXT_CAP) with the accepted executable and reportedName
// (TEXT_CAP) with the variable or directory it was found through.
JvmSource findJvm(char* javaPath, char* reportedName);
bool jvmFromRegistry(char* javaPath, const char* minVersion, const char* maxVersion);
bool jvmFromEnvVar(char* javaPath, const char* variable, const char* minVersion, const char* maxVersion);
bool jvmFromDirectory(char* javaPath, const char* directory, const char* minVersion, const char* maxVersion);
bool jvmFromSearchPath(char* javaPath, const char* minVersion, const char* maxVersion);
void javaExeFromHome(char* javaPath, const char* home);
HMODULE loadJvmLibrary(const char* javaPath);
// Why the last load failed (a system error code, 0 when it did not), and
// the library it tried last.
DWORD jvmLoadError(const char** library);
