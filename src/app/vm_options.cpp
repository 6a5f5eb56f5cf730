#include "app/vm_options.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "app/vm_text.h"
#include "app/words_text.h"
#include "errors/fail.h"
#include "files/list_text.h"
#include "files/path_text.h"
#include "files/paths.h"
#include "app/options_file_text.h"
#include "config/data_folder.h"
#include "errors/message_text.h"
#include "supervise/comm_text.h"
#include "supervise/splash.h"
#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "config/config.h"


static const char COMM_PROPERTY[] = "-Dtarvo.commFile=";
// The entries joined by ";", with no quote and no empty entry: applications
// read the property back as paths, and an empty one would mean the folder
// the user started the program in.
static const char CLASS_PATH_PREFIX[] = "-Djava.class.path=";

[[noreturn]] static void outOfMemory() { failWithMessage(MSG_OUT_OF_MEMORY); }

const char* splitOrFail(const char* text, const char* prefix, StringList* list) {
    const char* stop = text;
    switch (splitArguments(text, prefix, list, &stop)) {
        case SPLIT_OK: return stop;
        case SPLIT_WRONG_USAGE: failWithMessage(MSG_WRONG_PARAMETERS);
        case SPLIT_NO_MEMORY: outOfMemory();
    }
    return stop;
}

const char* splitUserWords(const char* text, const char* prefix, StringList* list, size_t most) {
    const char* stop = text;
    switch (splitCommandLine(text, prefix, list, &stop, most)) {
        case SPLIT_OK: return stop;
        case SPLIT_WRONG_USAGE: failWithMessage(MSG_WRONG_PARAMETERS);
        case SPLIT_NO_MEMORY: outOfMemory();
    }
    return stop;
}

static void appendEntry(GrowText* classPath, const char* entry) {
    if (!*entry) return;
    if (classPath->length && !growAppendText(classPath, ";")) outOfMemory();
    appendVmPath(classPath, entry);
}

static void appendCanonical(GrowText* classPath, const char* path) {
    char canonical[TEXT_CAP];
    canonicalLowerPath(canonical, path);
    appendEntry(classPath, canonical);
}

bool addArchivesOfDirectory(GrowText* classPath, const char* directory, const char* extension) {
    if (!pathExists(directory)) return false;
    char pattern[TEXT_CAP];
    copyText(pattern, sizeof pattern, directory);
    appendText(pattern, sizeof pattern, "\\*");
    if (extension[0] != '.') appendText(pattern, sizeof pattern, ".");
    if (!appendText(pattern, sizeof pattern, extension)) return true;
    FoundFile* found = (FoundFile*)malloc(sizeof *found);
    if (!found) outOfMemory();
    HANDLE search = findFirstFile(pattern, found);
    if (search == INVALID_HANDLE_VALUE) {
        free(found);
        return true;
    }
    do {
        // The pattern also matches a short-name alias: x.jarold as X~1.JAR.
        if (!hasExtension(found->name, extension)) continue;
        char entry[TEXT_CAP];
        copyText(entry, sizeof entry, directory);
        appendText(entry, sizeof entry, "\\");
        if (appendText(entry, sizeof entry, found->name)) appendCanonical(classPath, entry);
    } while (findNextFile(search, found));
    free(found);
    FindClose(search);
    return true;
}

static bool addVariableEntry(GrowText* classPath, const char* name, bool required) {
    char* value = environmentValue(name);
    if (!value || !value[0]) {
        free(value);
        if (required) failWithMessage(MSG_ENV_VAR_UNDEFINED, "%ENV_VAR_NAME%", name);
        return true;
    }
    // Entry by entry, so that each that the VM could not read takes its
    // short name.
    for (char* entry = value;;) {
        char* end = strchr(entry, ';');
        if (end) *end = '\0';
        appendEntry(classPath, entry);
        if (!end) break;
        entry = end + 1;
    }
    free(value);
    return true;
}

static bool addPathEntry(GrowText* classPath, char kind, const char* name) {
    char canonical[TEXT_CAP];
    canonicalLowerPath(canonical, name);
    if (kind == 'S') {
        bool found = addArchivesOfDirectory(classPath, canonical, "jar");
        return addArchivesOfDirectory(classPath, canonical, "zip") || found;
    }
    appendEntry(classPath, canonical);
    return pathExists(canonical);
}

// Named by its whole path, as the user finds it in Explorer, whatever
// folder the product names it from.
[[noreturn]] static void failMissingEntry(const char* name) {
    char joined[TEXT_CAP], whole[TEXT_CAP];
    resolveFromExeDir(joined, name);
    if (!fullPath(joined, whole, sizeof whole)) copyText(whole, sizeof whole, joined);
    failWithMessage(MSG_FILE_NOT_FOUND, "%FILE_NAME%", whole);
}

static int byFoldedName(const void* a, const void* b) { return _stricmp(*(char* const*)a, *(char* const*)b); }

// The included files' archives by the names the product carries, never by a
// listing of their folder: a jar that another process put there never
// reaches the class path. In the order a listing gave them: by name, jars
// before zips.
static void addIncludedArchives(GrowText* classPath, const char* extractDir, const char* extension) {
    if (!*extractDir) return;
    char names[TEXT_CAP], name[TEXT_CAP], path[TEXT_CAP];
    configString(CFG_FILE_NAMES, names, sizeof names);
    StringList found = {nullptr, 0, 0};
    for (const char* at = names; nextListEntry(&at, name, sizeof name);)
        if (hasExtension(name, extension) && !addString(&found, name)) outOfMemory();
    if (found.count) qsort(found.items, found.count, sizeof *found.items, byFoldedName);
    for (size_t i = 0; i < found.count; ++i) {
        copyText(path, sizeof path, extractDir);
        if (appendTexts(path, sizeof path, {"\\", found.items[i]})) appendCanonical(classPath, path);
    }
    freeStringList(&found);
}

void buildClassPath(GrowText* classPath, const char* extractDir) {
    addIncludedArchives(classPath, extractDir, "jar");
    addIncludedArchives(classPath, extractDir, "zip");
    char entries[TEXT_CAP], name[TEXT_CAP], kind;
    bool required;
    configString(CFG_CLASS_PATH, entries, sizeof entries);
    for (const char* at = entries; nextClassPathEntry(&at, &kind, &required, name, sizeof name);) {
        bool found;
        if (kind == 'E')
            found = addVariableEntry(classPath, name, required);
        else if (kind == 'A' || kind == 'D' || kind == 'S')
            found = addPathEntry(classPath, kind, name);
        else
            continue;  // an unknown kind adds nothing
        if (required && !found) failMissingEntry(name);
    }
}

static char* commFileOption(const char* commFile) {
    GrowText option = {nullptr, 0, 0};
    if (!growAppendText(&option, COMM_PROPERTY)) outOfMemory();
    appendVmPath(&option, commFile);
    return option.data;
}

static char* classPathOption(const char* extractDir) {
    GrowText entries = {nullptr, 0, 0}, option = {nullptr, 0, 0};
    buildClassPath(&entries, extractDir);
    if (!growAppendText(&option, CLASS_PATH_PREFIX) || !growAppendText(&option, entries.data ? entries.data : ""))
        outOfMemory();
    free(entries.data);
    return option.data;
}

// Each option is traced with where it came from, so that support staff can
// tell a product's option from a user's.
static void traceFrom(const StringList* list, size_t first, const char* origin) {
    for (size_t i = first; i < list->count; ++i) trace({"child: VM option ", list->items[i], " (", origin, ")"});
}

static void addOwnedOrFail(StringList* list, char* option, const char* origin) {
    if (!addOwnedString(list, option)) outOfMemory();
    traceFrom(list, list->count - 1, origin);
}

static void growOrFail(GrowText* text, const char* part) {
    if (!growAppendText(text, part)) outOfMemory();
}

// The main class and main's words, as the JDK's launcher names a Java
// process to jps, jcmd and the monitoring tools. Words that do not split
// (main then ends with the wrong-usage message) are named as written.
static char* javaCommandOption(const char* mainArgs) {
    GrowText option = {nullptr, 0, 0};
    char mainClass[TEXT_CAP], fixed[TEXT_CAP];
    configString(CFG_MAIN_CLASS, mainClass, sizeof mainClass);
    configString(CFG_MAIN_ARGUMENTS, fixed, sizeof fixed);
    growOrFail(&option, "-Dsun.java.command=");
    growOrFail(&option, mainClass);
    StringList words = {nullptr, 0, 0};
    const char* stop = nullptr;
    bool whole = splitArguments(fixed, nullptr, &words, &stop) == SPLIT_OK &&
                 splitCommandLine(mainArgs, nullptr, &words, &stop) == SPLIT_OK;
    for (size_t i = 0; whole && i < words.count; ++i) {
        growOrFail(&option, " ");
        growOrFail(&option, words.items[i]);
    }
    const char* raws[] = {fixed, mainArgs};
    for (const char* raw : raws)
        if (!whole && *raw) {
            growOrFail(&option, " ");
            growOrFail(&option, raw);
        }
    freeStringList(&words);
    return option.data;
}

static void traceDropped(const char* option) {
    trace({"child: ", option, " is an option of java.exe itself, not of the VM: left out"});
}

// The words of JDK_JAVA_OPTIONS, which the JDK's launcher reads since 9:
// options only, as it allows there.
static void addJdkJavaOptions(StringList* list) {
    char* value = environmentValue("JDK_JAVA_OPTIONS");
    if (!value) return;
    StringList words = {nullptr, 0, 0};
    splitOrFail(value, nullptr, &words);
    // A module option's value is no option of its own.
    if (!joinOptionWords(&words, traceDropped)) outOfMemory();
    for (size_t i = 0; i < words.count; ++i) {
        if (words.items[i][0] != '-') {
            trace({"child: JDK_JAVA_OPTIONS word ignored, not an option: ", words.items[i]});
            free(words.items[i]);
        } else if (!addOwnedString(list, words.items[i])) {
            outOfMemory();
        }
    }
    releaseListStorage(&words);
    free(value);
}

// The layers of options, lowest first, each option with where it came from;
// a later option replaces the earlier ones of its kind.
struct Layers {
    StringList options, origins;
};

static void addLayer(Layers* layers, StringList* words, const char* origin) {
    if (!joinOptionWords(words, traceDropped)) outOfMemory();
    for (size_t i = 0; i < words->count; ++i)
        if (!addOwnedString(&layers->options, words->items[i]) || !addString(&layers->origins, origin)) outOfMemory();
    releaseListStorage(words);
}

static void addSplitLayer(Layers* layers, const char* text, const char* origin) {
    StringList words = {nullptr, 0, 0};
    splitOrFail(text, nullptr, &words);
    addLayer(layers, &words, origin);
}

static void optionsFileMessage(char* text, size_t cap, const char* path, size_t line, const char* reason) {
    char number[24] = "";
    appendUnsigned(number, sizeof number, (unsigned long)line);
    messageText(MSG_OPTIONS_FILE_REFUSED, text, cap);
    if (line == 0) substitutePlaceholder(text, cap, "line %LINE%: ", "");
    substitutePlaceholder(text, cap, "%FILE_NAME%", path);
    substitutePlaceholder(text, cap, "%LINE%", number);
    substitutePlaceholder(text, cap, "%REASON%", reason);
}

[[noreturn]] static void failOptionsFile(const char* path, size_t line, const char* reason) {
    char text[TEXT_CAP];
    optionsFileMessage(text, sizeof text, path, line, reason);
    failWithText(text);
}

// The user's own file must not lock the user out of the program that could
// mend it (or of its settings that wrote it): a window launcher asks
// whether to start without it. An administrator's file is the machine's
// rule, and a console tool's script cannot answer.
static void refuseUserFile(const char* path, size_t line, const char* reason, const char* commFile) {
    if (messagesAsText()) failOptionsFile(path, line, reason);
    char text[TEXT_CAP], question[TEXT_CAP], caption[TEXT_CAP];
    optionsFileMessage(text, sizeof text, path, line, reason);
    messageText(MSG_OFFER_START_WITHOUT, question, sizeof question);
    appendTexts(text, sizeof text, {"\n\n", question});
    configString(MSG_CAPTION, caption, sizeof caption);
    trace({"child: asks: ", text});
    // Never behind the splash, and never taken for the application's window;
    // the start goes on without it.
    hideParentSplash(true);
    appendToFile(commFile, ASKING_RECORD);
    int answer = messageBox(text, caption, MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND);
    if (answer != IDYES) {
        trace({"child: the user chose not to start"});
        exitAfterFailedStart();
    }
    appendToFile(commFile, ANSWERED_RECORD);
    trace({"child: starts without ", path});
}

static bool variableValue(const char* name, char* value, size_t cap) { return environmentValue(name, value, cap); }

enum { MAX_OPTIONS_FILE = 1 << 20 };

// A file that does not exist is no error; one that exists and cannot be
// read, or breaks a rule, is refused whole with the line at fault.
// `commFile` for the user's own file, whose refusal the child may ask about
// (the parent hears of the question through it); null for the machine's.
static void addOptionsFile(Layers* layers, const char* path, const char* kind, const char* commFile) {
    size_t length = 0;
    char* text = readFileAlloc(path, MAX_OPTIONS_FILE + 1, &length);
    if (!text && !pathExists(path)) {
        trace({"child: ", kind, " ", path, ": none"});
        return;
    }
    const char* reason = nullptr;
    StringList words = {nullptr, 0, 0};
    size_t line = 0;
    if (!text) reason = "it cannot be read";
    // Never a part of it: its cut line would be read as an option.
    else if (length > MAX_OPTIONS_FILE) reason = "it is larger than 1 MB";
    else {
        OptionsFileResult result = readOptionsFile(text, length, variableValue, &words, &line);
        if (result != OPTIONS_OK) reason = optionsFileFault(result);
    }
    free(text);
    if (reason) {
        freeStringList(&words);
        if (!commFile) failOptionsFile(path, line, reason);
        refuseUserFile(path, line, reason, commFile);
        return;
    }
    trace({"child: ", kind, " ", path, ": read"});
    char origin[TEXT_CAP];
    copyText(origin, sizeof origin, kind);
    appendTexts(origin, sizeof origin, {" ", path});
    addLayer(layers, &words, origin);
}

// <base name>.vmoptions in `folder`, by the product's base name, which its
// console twin shares; where that file is not there, the one named after
// the executable, which launchers read before products named their files.
static bool optionsFilePath(const char* folder, char* dst, size_t cap) {
    char named[TEXT_CAP], own[TEXT_CAP], path[TEXT_CAP];
    configString(CFG_OPTIONS_FILE, named, sizeof named);
    if (!ownBaseName(own, sizeof own)) own[0] = '\0';
    dst[0] = '\0';
    for (const char* base : {named, own}) {
        copyText(path, sizeof path, folder);
        char file[TEXT_CAP];
        copyText(file, sizeof file, base);
        // The base name alone and with its extension: "Orvan." is refused
        // even though "Orvan..vmoptions" would be a name.
        if (!isPlainFileName(base) || !appendText(file, sizeof file, ".vmoptions") || !isPlainFileName(file) ||
            !appendText(path, sizeof path, file))
            continue;
        if (!*dst) copyText(dst, cap, path);
        if (fileAttributes(path) != INVALID_FILE_ATTRIBUTES) return copyText(dst, cap, path);
    }
    return *dst != '\0';
}

// What a share of memory comes to: of the physical memory, or of the job's
// limit where the process runs in a job with a smaller one.
static unsigned long long memoryForHeap() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    unsigned long long total = GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
    BOOL inJob = FALSE;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION job;
    if (IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) && inJob &&
        QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job, nullptr)) {
        DWORD flags = job.BasicLimitInformation.LimitFlags;
        if ((flags & JOB_OBJECT_LIMIT_JOB_MEMORY) && job.JobMemoryLimit < total) total = job.JobMemoryLimit;
        if ((flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) && job.ProcessMemoryLimit < total) total = job.ProcessMemoryLimit;
    }
    return total;
}

// A 32-bit VM on a 64-bit Windows can reserve about this much heap.
enum { HEAP_CAP_32_BIT_MB = 1200 };

static void resolveHeapShares(StringList* options) {
    for (size_t i = 0; i < options->count; ++i) {
        unsigned percent = 0;
        bool maximum = false;
        if (!heapPercentOption(options->items[i], &percent, &maximum)) continue;
        unsigned long long mb = memoryForHeap() / 100 * percent / (1024 * 1024);
        bool capped = sizeof(void*) == 4 && mb > HEAP_CAP_32_BIT_MB;
        if (capped) mb = HEAP_CAP_32_BIT_MB;
        char option[48];
        copyText(option, sizeof option, maximum ? "-Xmx" : "-Xms");
        appendUnsigned(option, sizeof option, (unsigned long)(mb ? mb : 1));
        appendText(option, sizeof option, "m");
        trace({"child: ", options->items[i], " is ", option, capped ? ", lowered to what a 32-bit VM can reserve" : ""});
        free(options->items[i]);
        options->items[i] = strdup(option);
        if (!options->items[i]) outOfMemory();
    }
}

static char filesUsed[TEXT_CAP] = "";

const char* optionFilesUsed() { return filesUsed; }

// Each file that gave a kept option, for the user when the VM refuses them.
static void noteFilesUsed(const Layers* layers) {
    for (size_t i = 0; i < layers->origins.count; ++i) {
        const char* origin = layers->origins.items[i];
        const char* path = strchr(origin, ' ');
        if (strncmp(origin, "machine file ", 13) != 0 && strncmp(origin, "user file ", 10) != 0) continue;
        path = strchr(path + 1, ' ') + 1;
        if (!strstr(filesUsed, path)) appendTexts(filesUsed, sizeof filesUsed, {*filesUsed ? "\n" : "", path});
    }
}

// The application's JNI libraries find their own imports in the folders
// the product names for them, as they would on the search path of
// java.exe, whose folder is the Java's: nowhere else but the system's.
static void allowLibraryPathFolders(const StringList* options) {
    static const char PROPERTY[] = "-Djava.library.path=";
    for (size_t i = 0; i < options->count; ++i) {
        if (strncmp(options->items[i], PROPERTY, sizeof PROPERTY - 1) != 0) continue;
        for (const char* at = options->items[i] + sizeof PROPERTY - 1; *at;) {
            const char* end = strchr(at, ';');
            size_t length = end ? (size_t)(end - at) : strlen(at);
            char folder[TEXT_CAP], whole[TEXT_CAP];
            if (length && copyChars(folder, sizeof folder, at, length) && fullPath(folder, whole, sizeof whole))
                trace({"child: libraries' imports also from ", whole, allowDllFolder(whole) ? "" : ": refused"});
            at += length + (end ? 1 : 0);
        }
    }
}

const char* buildVmOptions(StringList* list, const char* commFile, const char* extractDir, const char* userArgs,
                           size_t optionCount, unsigned javaFeature) {
    addOwnedOrFail(list, commFileOption(commFile), "launcher");
    addOwnedOrFail(list, classPathOption(extractDir), "launcher");
    // The -J words come last, but main's words begin behind them.
    StringList fromCommandLine = {nullptr, 0, 0};
    const char* mainArgs = userArgs;
    if (optionCount) mainArgs = splitUserWords(userArgs, "-J", &fromCommandLine, optionCount);
    // First of the rest, so that a configured option may name it otherwise.
    addOwnedOrFail(list, javaCommandOption(mainArgs), "launcher");

    Layers layers = {{nullptr, 0, 0}, {nullptr, 0, 0}};
    char configured[TEXT_CAP], folder[TEXT_CAP], path[TEXT_CAP];
    configString(CFG_VM_OPTIONS, configured, sizeof configured);
    addSplitLayer(&layers, configured, "product");
    if (optionsFilePath(exeDirectory(), path, sizeof path)) addOptionsFile(&layers, path, "machine file", nullptr);
    if (configInt(CFG_USER_VM_OPTIONS) && userDataFolder("APPDATA", folder, sizeof folder, false) &&
        optionsFilePath(folder, path, sizeof path))
        addOptionsFile(&layers, path, "user file", commFile);
    if (javaFeature >= 9) {
        StringList words = {nullptr, 0, 0};
        addJdkJavaOptions(&words);
        addLayer(&layers, &words, "JDK_JAVA_OPTIONS");
    }
    addLayer(&layers, &fromCommandLine, "-J");
    resolveHeapShares(&layers.options);
    if (!mergeOptions(&layers.options, &layers.origins)) outOfMemory();
    noteFilesUsed(&layers);
    for (size_t i = 0; i < layers.options.count; ++i) {
        if (!addOwnedString(list, layers.options.items[i])) outOfMemory();
        traceFrom(list, list->count - 1, layers.origins.items[i]);
    }
    releaseListStorage(&layers.options);
    freeStringList(&layers.origins);
    allowLibraryPathFolders(list);
    return mainArgs;
}
