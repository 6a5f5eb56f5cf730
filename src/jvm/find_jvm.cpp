#include "jvm/find_jvm.h"

#include <cstdlib>
#include <cstring>

#include "files/paths.h"
#include "files/registry.h"
#include "files/string_list.h"
#include "files/text.h"
#include "files/wide.h"
#include "jvm/candidate.h"
#include "jvm/dll_diagnosis.h"
#include "files/trace.h"
#include "jvm/search_report_text.h"
#include "jvm/search_text.h"
#include "files/version_text.h"
#include "config/config.h"


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
    // A value too long for the buffer could not make a path that fits one
    // either: the source fails rather than use an unfilled buffer.
    if (!environmentValue(variable, value, sizeof value) || !value[0]) return false;
    javaExeFromHome(javaPath, value);
    return checkJvmCandidate(javaPath, minVersion, maxVersion);
}

bool jvmFromDirectory(char* javaPath, const char* directory, const char* minVersion, const char* maxVersion) {
    javaExeFromHome(javaPath, directory);
    return checkJvmCandidate(javaPath, minVersion, maxVersion);
}

bool jvmFromSearchPath(char* javaPath, const char* minVersion, const char* maxVersion) {
    if (!searchPath("java.exe", javaPath, TEXT_CAP)) return false;
    return checkJvmCandidate(javaPath, minVersion, maxVersion);
}

static bool readKeyString(HKEY root, const char* subKey, const char* name, char* value, DWORD cap) {
    HKEY key;
    if (openKey(root, subKey, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool ok = queryRegistryText(key, name, value, cap);
    RegCloseKey(key);
    return ok;
}

static bool candidateFromHome(HKEY root, const char* subKey, const char* homeValue, char* javaPath,
                              const char* minVersion, const char* maxVersion) {
    char home[TEXT_CAP];
    if (!readKeyString(root, subKey, homeValue, home, sizeof home)) return false;
    javaExeFromHome(javaPath, home);
    return checkJvmCandidate(javaPath, minVersion, maxVersion);
}

// Where installers record Java homes, in the order the registry source tries
// them: the machine's keys, then the vendors' keys of an installation for
// the current user only. A row with `otherKey` compares the
// "CurrentVersion" of `key` (a development kit) with that of `otherKey` (a
// runtime) and tries the greater; any other row walks the version sub-keys
// of `key`, newest first, each named `namePrefix` and a version, with the
// home in the value `homeValue` of the key `below` that sub-key.
struct RegistryLayout {
    HKEY root;
    const char* key;
    const char* otherKey;
    const char* namePrefix;
    const char* below;
    const char* homeValue;
};

static const char OLD_JDK[] = "SOFTWARE\\JavaSoft\\Java Development Kit";
static const char OLD_JRE[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
static const char NEW_JDK[] = "SOFTWARE\\JavaSoft\\JDK";
static const char NEW_JRE[] = "SOFTWARE\\JavaSoft\\JRE";

// The vendors' keys, read below either root.
#define VENDOR_LAYOUTS(root)                                                      \
    {root, "SOFTWARE\\Eclipse Adoptium\\JDK", nullptr, "", "\\hotspot\\MSI", "Path"},    \
    {root, "SOFTWARE\\Eclipse Adoptium\\JRE", nullptr, "", "\\hotspot\\MSI", "Path"},    \
    {root, "SOFTWARE\\Eclipse Foundation\\JDK", nullptr, "", "\\hotspot\\MSI", "Path"},  \
    {root, "SOFTWARE\\AdoptOpenJDK\\JDK", nullptr, "", "\\hotspot\\MSI", "Path"},        \
    {root, "SOFTWARE\\AdoptOpenJDK\\JRE", nullptr, "", "\\hotspot\\MSI", "Path"},        \
    {root, "SOFTWARE\\Microsoft\\JDK", nullptr, "", "\\hotspot\\MSI", "Path"},           \
    {root, "SOFTWARE\\Azul Systems\\Zulu", nullptr, "zulu-", "", "InstallationPath"}

static const RegistryLayout REGISTRY_LAYOUTS[] = {
    {HKEY_LOCAL_MACHINE, OLD_JDK, OLD_JRE, "", "", "JavaHome"},
    {HKEY_LOCAL_MACHINE, OLD_JRE, nullptr, "", "", "JavaHome"},
    {HKEY_LOCAL_MACHINE, OLD_JDK, nullptr, "", "", "JavaHome"},
    {HKEY_LOCAL_MACHINE, NEW_JDK, NEW_JRE, "", "", "JavaHome"},
    {HKEY_LOCAL_MACHINE, NEW_JDK, nullptr, "", "", "JavaHome"},
    {HKEY_LOCAL_MACHINE, NEW_JRE, nullptr, "", "", "JavaHome"},
    VENDOR_LAYOUTS(HKEY_LOCAL_MACHINE),
    VENDOR_LAYOUTS(HKEY_CURRENT_USER),
};

// A key outside the bounds is never tried, but the user learns of its Java.
static void reportOutOfBounds(HKEY root, const char* subKey, const char* homeValue, const char* version,
                              const char* minVersion) {
    char home[TEXT_CAP], javaPath[TEXT_CAP];
    if (!readKeyString(root, subKey, homeValue, home, sizeof home)) return;
    javaExeFromHome(javaPath, home);
    passOverByKeyName(javaPath, version, minVersion);
}

static void usableCurrentVersion(HKEY root, const char* key, char* value, const char* homeValue,
                                 const char* minVersion, const char* maxVersion) {
    if (!readKeyString(root, key, "CurrentVersion", value, CURRENT_VERSION_CAP)) {
        value[0] = '\0';
        return;
    }
    if (versionNameInRange(value, minVersion, maxVersion)) return;
    char subKey[TEXT_CAP];
    copyText(subKey, sizeof subKey, key);
    appendText(subKey, sizeof subKey, "\\");
    setSearchSource(key);
    if (appendText(subKey, sizeof subKey, value)) reportOutOfBounds(root, subKey, homeValue, value, minVersion);
    value[0] = '\0';
}

static bool jvmFromCurrentVersion(char* javaPath, const RegistryLayout& layout, const char* minVersion,
                                  const char* maxVersion) {
    char jdk[CURRENT_VERSION_CAP], jre[CURRENT_VERSION_CAP], key[TEXT_CAP];
    usableCurrentVersion(layout.root, layout.key, jdk, layout.homeValue, minVersion, maxVersion);
    usableCurrentVersion(layout.root, layout.otherKey, jre, layout.homeValue, minVersion, maxVersion);
    // A tie, both empty included, goes to the runtime.
    bool takeJdk = compareVersions(jdk, jre) > 0;
    // The report and the trace name the key the home is read from.
    setSearchSource(takeJdk ? layout.key : layout.otherKey);
    copyText(key, sizeof key, takeJdk ? layout.key : layout.otherKey);
    appendText(key, sizeof key, "\\");
    if (!appendText(key, sizeof key, takeJdk ? jdk : jre)) return false;
    return candidateFromHome(layout.root, key, layout.homeValue, javaPath, minVersion, maxVersion);
}

// Keeps the version part of each sub-key name that carries the prefix and
// lies within the bounds; the others go to the report.
static void collectVersionNames(HKEY base, const RegistryLayout& layout, StringList* list, const char* minVersion,
                                const char* maxVersion) {
    char name[TEXT_CAP], subKey[TEXT_CAP];
    size_t prefixLength = strlen(layout.namePrefix);
    for (DWORD index = 0;; ++index) {
        int found = subKeyName(base, index, name, sizeof name);
        if (found < 0) continue;  // no usable name at this index
        if (found == 0) return;   // the end, or an enumeration that cannot go on
        if (strncmp(name, layout.namePrefix, prefixLength) != 0) continue;
        const char* version = name + prefixLength;
        if (versionNameInRange(version, minVersion, maxVersion)) {
            addString(list, version);
            continue;
        }
        copyText(subKey, sizeof subKey, name);
        if (appendText(subKey, sizeof subKey, layout.below))
            reportOutOfBounds(base, subKey, layout.homeValue, version, minVersion);
    }
}

static bool jvmFromVersionKeys(char* javaPath, const RegistryLayout& layout, const char* minVersion,
                               const char* maxVersion) {
    HKEY base;
    if (openKey(layout.root, layout.key, KEY_READ, &base) != ERROR_SUCCESS) return false;
    StringList list = {nullptr, 0, 0};
    collectVersionNames(base, layout, &list, minVersion, maxVersion);
    sortVersionNames(list.items, list.count);
    bool found = false;
    char subKey[TEXT_CAP];
    for (size_t i = list.count; i-- > 0 && !found;) {
        copyText(subKey, sizeof subKey, layout.namePrefix);
        appendText(subKey, sizeof subKey, list.items[i]);
        if (!appendText(subKey, sizeof subKey, layout.below)) continue;
        found = candidateFromHome(base, subKey, layout.homeValue, javaPath, minVersion, maxVersion);
    }
    freeStringList(&list);
    RegCloseKey(base);
    return found;
}

bool jvmFromRegistry(char* javaPath, const char* minVersion, const char* maxVersion) {
    for (const RegistryLayout& layout : REGISTRY_LAYOUTS) {
        char source[REPORT_TEXT] = "";
        if (layout.root == HKEY_CURRENT_USER) copyText(source, sizeof source, "HKCU\\");
        appendText(source, sizeof source, layout.key);
        setSearchSource(source);
        bool found = layout.otherKey ? jvmFromCurrentVersion(javaPath, layout, minVersion, maxVersion)
                                     : jvmFromVersionKeys(javaPath, layout, minVersion, maxVersion);
        if (found) return true;
    }
    return false;
}

static char runtimeHome[TEXT_CAP] = "";

void setRuntimeHome(const char* home) { copyText(runtimeHome, sizeof runtimeHome, home); }

static void noteSource(char letter, const char* argument) {
    char source[REPORT_TEXT] = {letter, '\0'};
    if (*argument) appendTexts(source, sizeof source, {" ", argument});
    setSearchSource(source);
    trace({"search step ", source});
}

static JvmSource trySearchEntry(char letter, const char* argument, char* javaPath, char* reportedName,
                                const char* minVersion, const char* maxVersion) {
    noteSource(letter, letter == 'S' ? "PATH" : argument);
    JvmSource source = JVM_NOT_FOUND;
    if ((letter == 'A' || letter == 'R') && jvmFromDirectory(javaPath, argument, minVersion, maxVersion))
        source = JVM_FROM_DEFINED_PATH;
    else if (letter == 'E' && jvmFromEnvVar(javaPath, argument, minVersion, maxVersion))
        source = JVM_FROM_ENV_VAR;
    else if (letter == 'S' && jvmFromSearchPath(javaPath, minVersion, maxVersion))
        source = JVM_FROM_PATH;
    else if (letter == 'Y' && jvmFromRegistry(javaPath, minVersion, maxVersion))
        return JVM_FROM_REGISTRY;
    else if (letter == 'I' && runtimeHome[0] && jvmFromDirectory(javaPath, runtimeHome, minVersion, maxVersion))
        return JVM_FROM_RUNTIME;
    if (source != JVM_NOT_FOUND) copyText(reportedName, TEXT_CAP, argument);
    return source;
}

JvmSource findJvm(char* javaPath, char* reportedName) {
    char sequence[TEXT_CAP], minVersion[TEXT_CAP], maxVersion[TEXT_CAP], argument[TEXT_CAP];
    configString(CFG_SEARCH, sequence, sizeof sequence);
    configString(CFG_MIN_VERSION, minVersion, sizeof minVersion);
    configString(CFG_MAX_VERSION, maxVersion, sizeof maxVersion);
    trace({"child: search ", sequence, ", versions from ", *minVersion ? minVersion : "any", " to ",
           *maxVersion ? maxVersion : "any"});
    char letter;
    for (const char* at = sequence; nextSearchEntry(&at, &letter, argument, sizeof argument);) {
        JvmSource source = trySearchEntry(letter, argument, javaPath, reportedName, minVersion, maxVersion);
        if (source != JVM_NOT_FOUND) return source;
    }
    char flavour[2];
    configString(CFG_FLAVOUR, flavour, sizeof flavour);
    const char* fallback = flavourJavaVariable(flavour[0]);
    if (fallback) noteSource('E', fallback);
    if (fallback && jvmFromEnvVar(javaPath, fallback, minVersion, maxVersion)) {
        copyText(reportedName, TEXT_CAP, fallback);
        return JVM_FROM_ENV_VAR;
    }
    return JVM_NOT_FOUND;
}

static DWORD loadError = 0;
static char loadPath[TEXT_CAP] = "";

DWORD jvmLoadError(const char** library) {
    *library = loadPath;
    return loadError;
}

HMODULE loadJvmLibrary(const char* javaPath) {
    // A VM's own runtime DLLs (vcruntime140.dll, msvcr100.dll) live only in
    // the folder of its java.exe, which loading by full path does not search;
    // the launcher's own folder, which anyone may share (Downloads), is
    // searched neither for what the VM imports nor for what it loads later
    // by name.
    char directory[TEXT_CAP], library[TEXT_CAP];
    jvmDirectoryOf(directory, sizeof directory, javaPath);
    setDllDirectory(directory);
    if (!restrictDllSearch(directory)) trace({"load: this system cannot keep the program's folder out of the search"});
    loadError = ERROR_FILE_NOT_FOUND;
    for (int place = 0; place < JVM_LIBRARY_PLACES; ++place) {
        if (!jvmLibraryPath(library, sizeof library, javaPath, place) || !pathExists(library)) continue;
        HMODULE module = loadLibraryAlone(library);
        loadError = module ? 0 : GetLastError();
        copyText(loadPath, sizeof loadPath, library);
        if (module) {
            trace({"load ", library, ": loaded"});
            return module;
        }
        // The system's words and the missing DLL, whether or not the user
        // is shown them.
        char reason[TEXT_CAP] = "";
        if (tracing()) describeLoadFailure(javaPath, loadError, loadPath, reason, sizeof reason);
        trace({"load ", library, ": failed: ", reason});
    }
    return nullptr;
}
