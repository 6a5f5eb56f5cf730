#include "jvm/find_jvm.h"

#include <cstdlib>
#include <cstring>

#include "files/paths.h"
#include "files/registry.h"
#include "files/text.h"
#include "jvm/candidate.h"
#include "jvm/search_text.h"
#include "jvm/version_text.h"
#include "launcher/config.h"
#include "launcher/state.h"

enum { CFG_MIN_VERSION = 126, CFG_MAX_VERSION = 127, CFG_SEARCH = 128 };

static const char JDK_KEY[] = "SOFTWARE\\JavaSoft\\Java Development Kit";
static const char JRE_KEY[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
enum { CURRENT_VERSION_CAP = 100 };

void javaExeFromHome(char* javaPath, const char* home) {
    copyText(javaPath, TEXT_CAP, home);
    appendText(javaPath, TEXT_CAP, "\\jre\\bin\\java.exe");
    if (pathExists(javaPath)) return;
    copyText(javaPath, TEXT_CAP, home);
    appendText(javaPath, TEXT_CAP, "\\bin\\java.exe");
}

bool jvmFromEnvVar(char* javaPath, const char* variable, const char* minVersion, const char* maxVersion) {
    char value[TEXT_CAP];
    DWORD n = GetEnvironmentVariableA(variable, value, sizeof value);
    // A value too long for the buffer could not make a path that fits one
    // either: the source fails rather than use an unfilled buffer.
    if (n == 0 || n >= sizeof value) return false;
    javaExeFromHome(javaPath, value);
    return checkJvmCandidate(javaPath, minVersion, maxVersion);
}

bool jvmFromDirectory(char* javaPath, const char* directory, const char* minVersion, const char* maxVersion) {
    javaExeFromHome(javaPath, directory);
    return checkJvmCandidate(javaPath, minVersion, maxVersion);
}

bool jvmFromSearchPath(char* javaPath, const char* minVersion, const char* maxVersion) {
    DWORD n = SearchPathA(nullptr, "java.exe", nullptr, TEXT_CAP, javaPath, nullptr);
    if (n == 0 || n >= TEXT_CAP) return false;
    return checkJvmCandidate(javaPath, minVersion, maxVersion);
}

static bool readKeyString(HKEY root, const char* subKey, const char* name, char* value, DWORD cap) {
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool ok = queryRegistryText(key, name, value, cap);
    RegCloseKey(key);
    return ok;
}

static bool candidateFromHome(HKEY root, const char* subKey, char* javaPath, const char* minVersion,
                              const char* maxVersion) {
    char home[TEXT_CAP];
    if (!readKeyString(root, subKey, "JavaHome", home, sizeof home)) return false;
    javaExeFromHome(javaPath, home);
    return checkJvmCandidate(javaPath, minVersion, maxVersion);
}

static void usableCurrentVersion(const char* key, char* value, const char* minVersion, const char* maxVersion) {
    if (!readKeyString(HKEY_LOCAL_MACHINE, key, "CurrentVersion", value, CURRENT_VERSION_CAP) ||
        !versionNameInRange(value, minVersion, maxVersion))
        value[0] = '\0';
}

static bool jvmFromCurrentVersion(char* javaPath, const char* minVersion, const char* maxVersion) {
    char jdk[CURRENT_VERSION_CAP], jre[CURRENT_VERSION_CAP], key[TEXT_CAP];
    usableCurrentVersion(JDK_KEY, jdk, minVersion, maxVersion);
    usableCurrentVersion(JRE_KEY, jre, minVersion, maxVersion);
    bool takeJdk = strcmp(jdk, jre) > 0;
    copyText(key, sizeof key, takeJdk ? JDK_KEY : JRE_KEY);
    appendText(key, sizeof key, "\\");
    appendText(key, sizeof key, takeJdk ? jdk : jre);
    return candidateFromHome(HKEY_LOCAL_MACHINE, key, javaPath, minVersion, maxVersion);
}

struct NameList {
    char** names;
    size_t count;
};

static void keepName(NameList* list, const char* name) {
    char** grown = (char**)realloc(list->names, (list->count + 1) * sizeof *grown);
    if (!grown) return;
    list->names = grown;
    char* copy = strdup(name);
    if (copy) list->names[list->count++] = copy;
}

static void freeNames(NameList* list) {
    for (size_t i = 0; i < list->count; ++i) free(list->names[i]);
    free(list->names);
}

static void collectVersionNames(HKEY base, NameList* list, const char* minVersion, const char* maxVersion) {
    char name[TEXT_CAP], klass[TEXT_CAP];
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = TEXT_CAP, classSize = TEXT_CAP;
        LONG rc = RegEnumKeyExA(base, index, name, &nameSize, nullptr, klass, &classSize, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // no usable name at this index
        if (rc != ERROR_SUCCESS) return;      // the end, or an enumeration that cannot go on
        if (versionNameInRange(name, minVersion, maxVersion)) keepName(list, name);
    }
}

static bool jvmFromVersionKeys(char* javaPath, const char* minVersion, const char* maxVersion, const char* baseKey) {
    HKEY base;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, baseKey, 0, KEY_READ, &base) != ERROR_SUCCESS) return false;
    NameList list = {nullptr, 0};
    collectVersionNames(base, &list, minVersion, maxVersion);
    sortVersionNames(list.names, list.count);
    bool found = false;
    for (size_t i = list.count; i-- > 0 && !found;)
        found = candidateFromHome(base, list.names[i], javaPath, minVersion, maxVersion);
    freeNames(&list);
    RegCloseKey(base);
    return found;
}

bool jvmFromRegistry(char* javaPath, const char* minVersion, const char* maxVersion) {
    return jvmFromCurrentVersion(javaPath, minVersion, maxVersion) ||
           jvmFromVersionKeys(javaPath, minVersion, maxVersion, JRE_KEY) ||
           jvmFromVersionKeys(javaPath, minVersion, maxVersion, JDK_KEY);
}

static JvmSource trySearchEntry(char letter, const char* argument, char* javaPath, char* reportedName,
                                const char* minVersion, const char* maxVersion) {
    JvmSource source = JVM_NOT_FOUND;
    if ((letter == 'A' || letter == 'R') && jvmFromDirectory(javaPath, argument, minVersion, maxVersion))
        source = JVM_FROM_DEFINED_PATH;
    else if (letter == 'E' && jvmFromEnvVar(javaPath, argument, minVersion, maxVersion))
        source = JVM_FROM_ENV_VAR;
    else if (letter == 'S' && jvmFromSearchPath(javaPath, minVersion, maxVersion))
        source = JVM_FROM_PATH;
    else if (letter == 'Y' && jvmFromRegistry(javaPath, minVersion, maxVersion))
        return JVM_FROM_REGISTRY;
    if (source != JVM_NOT_FOUND) copyText(reportedName, TEXT_CAP, argument);
    return source;
}

JvmSource findJvm(char* javaPath, char* reportedName) {
    char sequence[TEXT_CAP], minVersion[TEXT_CAP], maxVersion[TEXT_CAP], argument[TEXT_CAP];
    configString(CFG_SEARCH, sequence, sizeof sequence);
    configString(CFG_MIN_VERSION, minVersion, sizeof minVersion);
    configString(CFG_MAX_VERSION, maxVersion, sizeof maxVersion);
    char letter;
    for (const char* at = sequence; nextSearchEntry(&at, &letter, argument, sizeof argument);) {
        JvmSource source = trySearchEntry(letter, argument, javaPath, reportedName, minVersion, maxVersion);
        if (source != JVM_NOT_FOUND) return source;
    }
    const char* fallback = flavourJavaVariable(flavourLetter);
    if (fallback && jvmFromEnvVar(javaPath, fallback, minVersion, maxVersion)) {
        copyText(reportedName, TEXT_CAP, fallback);
        return JVM_FROM_ENV_VAR;
    }
    return JVM_NOT_FOUND;
}

HMODULE loadJvmLibrary(const char* javaPath) {
    static const char* const places[] = {"hotspot", "client", "server", "classic"};
    char directory[TEXT_CAP], library[TEXT_CAP];
    jvmDirectoryOf(directory, sizeof directory, javaPath);
    for (const char* place : places) {
        copyText(library, sizeof library, directory);
        appendText(library, sizeof library, place);
        if (!appendText(library, sizeof library, "\\jvm.dll")) continue;
        HMODULE module = LoadLibraryA(library);
        if (module) return module;
    }
    return nullptr;
}
