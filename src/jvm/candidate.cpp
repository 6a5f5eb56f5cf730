#include "jvm/candidate.h"

#include <windows.h>

#include <cstring>

#include "files/registry.h"
#include "files/text.h"
#include "files/wide.h"
#include "jvm/image_text.h"
#include "files/trace.h"
#include "jvm/search_report_text.h"
#include "jvm/search_text.h"
#include "files/version_text.h"
#include "config/config.h"


static void storeFileTime(BYTE* bytes, const FileTime& t) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = (BYTE)(t.low >> (8 * i));
        bytes[4 + i] = (BYTE)(t.high >> (8 * i));
    }
}

static const char CACHE_KEY[] = "SOFTWARE\\brannoc\\tarvo\\jvms";

static bool readCacheUnder(HKEY root, const char* keyName, const BYTE* expected, char* version) {
    HKEY key;
    if (openKey(root, keyName, KEY_READ, &key) != ERROR_SUCCESS) return false;
    BYTE stored[8];
    bool valid = queryRegistryBytes(key, "LastWriteTime", stored, sizeof stored) && memcmp(stored, expected, 8) == 0 &&
                 queryRegistryText(key, "Version", version, TEXT_CAP);
    RegCloseKey(key);
    return valid;
}

bool readCachedVersion(const char* javaPath, const FileTime& lastWriteTime, char* version) {
    char keyName[TEXT_CAP];
    if (!cacheKeyName(keyName, sizeof keyName, javaPath)) return false;
    BYTE expected[8];
    storeFileTime(expected, lastWriteTime);
    for (HKEY root : RECORD_ROOTS)
        if (readCacheUnder(root, keyName, expected, version)) return true;
    return false;
}

static bool writeCacheUnder(HKEY root, const char* entry, const BYTE* stamp, const char* version) {
    HKEY key;
    if (createKeyBelow(root, CACHE_KEY, entry, &key) != ERROR_SUCCESS) return false;
    bool ok = setRegistryBytes(key, "LastWriteTime", stamp, 8) && setRegistryText(key, "Version", version);
    RegCloseKey(key);
    return ok;
}

// Machine-wide where allowed, else for this user, so that a standard user
// is not probed again at every start.
void writeCachedVersion(const char* javaPath, const FileTime& lastWriteTime, const char* version) {
    char keyName[TEXT_CAP];
    if (!cacheKeyName(keyName, sizeof keyName, javaPath)) return;
    const char* entry = keyName + sizeof CACHE_KEY;  // behind the separator
    BYTE stamp[8];
    storeFileTime(stamp, lastWriteTime);
    for (HKEY root : RECORD_ROOTS)
        if (writeCacheUnder(root, entry, stamp, version)) return;
}

static void traceBanner(const char* output, size_t length, const char* how) {
    if (!tracing()) return;
    char text[TEXT_CAP];
    copyChars(text, sizeof text, output, length);
    trace({"probe output (", how, "): ", text});
}

// Reads standard error of the probe into output until the banner's first
// line is there, the output ends, or the time is up.
static bool readBannerInto(HANDLE pipe, char* output, size_t* length, char* version) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD available = 0;
        // A broken pipe is the end of the output: a last line without its
        // line end may still be the banner.
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
            return parseBanner(output, *length, true, version, TEXT_CAP) == BANNER_OK;
        if (available == 0) {
            if (GetTickCount() - start > PROBE_TIMEOUT_MS) return false;
            Sleep(5);
            continue;
        }
        DWORD room = (DWORD)(TEXT_CAP - *length), got = 0;
        if (!ReadFile(pipe, output + *length, available < room ? available : room, &got, nullptr) || got == 0)
            return parseBanner(output, *length, true, version, TEXT_CAP) == BANNER_OK;
        *length += got;
        BannerResult result = parseBanner(output, *length, false, version, TEXT_CAP);
        if (result != BANNER_NEED_MORE) return result == BANNER_OK;
        if (*length == TEXT_CAP) return false;
    }
}

static bool readBanner(HANDLE pipe, char* version) {
    char output[TEXT_CAP];
    size_t length = 0;
    bool ok = readBannerInto(pipe, output, &length, version);
    traceBanner(output, length, ok ? "banner read" : "no banner");
    return ok;
}

static bool startProbe(const char* javaPath, HANDLE errorOut, PROCESS_INFORMATION* pi) {
    // The path is quoted and also given as the program to run, so that
    // C:\Program Files\... can never start C:\Program.exe.
    char commandLine[TEXT_CAP] = "\"";
    appendText(commandLine, sizeof commandLine, javaPath);
    if (!appendText(commandLine, sizeof commandLine, "\" -version")) return false;
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    si.hStdError = errorOut;
    // No console may flash up for a moment on the user's screen.
    return createProcess(javaPath, commandLine, TRUE, NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW, nullptr, &si, pi) !=
           FALSE;
}

bool probeJavaVersion(const char* javaPath, char* version) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readInheritable, writeEnd, readEnd;
    if (!CreatePipe(&readInheritable, &writeEnd, &sa, 0)) return false;
    BOOL duplicated = DuplicateHandle(GetCurrentProcess(), readInheritable, GetCurrentProcess(), &readEnd, 0, FALSE,
                                      DUPLICATE_SAME_ACCESS);
    CloseHandle(readInheritable);
    if (!duplicated) {
        CloseHandle(writeEnd);
        return false;
    }
    PROCESS_INFORMATION pi;
    bool started = startProbe(javaPath, writeEnd, &pi);
    CloseHandle(writeEnd);
    bool ok = started && readBanner(readEnd, version);
    CloseHandle(readEnd);
    if (!started) return false;
    // A candidate that did not deliver its banner in time is hung: end it.
    if (!ok && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ok;
}

bool releaseVersion(const char* javaPath, char* version) {
    char release[TEXT_CAP], text[TEXT_CAP];
    javaHomeOf(release, sizeof release, javaPath);
    if (!appendText(release, sizeof release, "release")) return false;
    size_t length = readFileStart(release, text, sizeof text);
    return parseReleaseVersion(text, length, version, TEXT_CAP);
}

#if defined(__x86_64__) || defined(_M_X64)
static const uint16_t OWN_MACHINE = MACHINE_AMD64;
#elif defined(__aarch64__) || defined(_M_ARM64)
static const uint16_t OWN_MACHINE = MACHINE_ARM64;
#else
static const uint16_t OWN_MACHINE = MACHINE_I386;
#endif

// The machine of the jvm.dll that loadJvmLibrary would try first, read from
// its header alone; unknown when there is none or it is no image.
static uint16_t jvmLibraryMachine(const char* javaPath) {
    unsigned char head[4096];
    char library[TEXT_CAP];
    for (int place = 0; place < JVM_LIBRARY_PLACES; ++place) {
        if (!jvmLibraryPath(library, sizeof library, javaPath, place) || !pathExists(library)) continue;
        return imageMachine(head, readFileStart(library, head, sizeof head));
    }
    return MACHINE_UNKNOWN;
}

uint16_t ownMachine() { return OWN_MACHINE; }

static ForeignJava foreign;
static bool foreignSeen = false;

const ForeignJava* foreignJavaSeen() { return foreignSeen ? &foreign : nullptr; }

static void noteForeignJava(const char* proposedPath, uint16_t machine, const char* version) {
    if (foreignSeen) return;
    foreignSeen = true;
    foreign.machine = machine;
    javaHomeOf(foreign.home, sizeof foreign.home, proposedPath);
    copyText(foreign.version, sizeof foreign.version, version);
}

static bool switchToJavaw(char* javaPath) {
    size_t len = strlen(javaPath);
    if (len < 4) return false;
    javaPath[len - 4] = '\0';
    if (!appendText(javaPath, TEXT_CAP, "w.exe")) return false;
    return pathExists(javaPath);
}

// A VM built for another machine cannot load into this process: it is
// turned away before any process is started for it, and nothing is cached.
static bool foreignMachine(const char* proposedPath, const char* javaPath, bool cached, char* version,
                           const char* minVersion, const char* maxVersion, uint16_t* found) {
    uint16_t machine = jvmLibraryMachine(javaPath);
    *found = machine;
    if (machine == MACHINE_UNKNOWN || machine == OWN_MACHINE) return false;
    char known[TEXT_CAP] = "";
    if (cached)
        copyText(known, sizeof known, version);
    else if (releaseVersion(javaPath, known))
        copyText(version, TEXT_CAP, known);
    // One whose version would be refused anyway is no reason to mention it.
    if (!*known || versionInRange(known, minVersion, maxVersion)) noteForeignJava(proposedPath, machine, known);
    return true;
}

static SearchReport report;
static char searchSource[REPORT_TEXT] = "";
static char acceptedVersion[64] = "";

const char* acceptedJavaVersion() { return acceptedVersion; }

void setSearchSource(const char* source) { copyText(searchSource, sizeof searchSource, source); }

const SearchReport* searchReport() { return &report; }

// Keeps the verdict for the user's report and the trace; returns whether
// the candidate was accepted.
static bool judge(const char* javaPath, const char* version, VersionOrigin origin, Verdict verdict,
                  uint16_t machine = MACHINE_UNKNOWN) {
    SearchEntry entry;
    copyText(entry.source, sizeof entry.source, searchSource);
    copyText(entry.javaPath, sizeof entry.javaPath, javaPath);
    copyText(entry.version, sizeof entry.version, version);
    entry.machine = machine;
    entry.origin = origin;
    entry.verdict = verdict;
    addSearchEntry(&report, entry);
    if (verdict == VERDICT_ACCEPTED) copyText(acceptedVersion, sizeof acceptedVersion, version);
    trace({"search ", searchSource, ": ", javaPath, ", version ", *version ? version : "unknown", " (",
           originWords(origin), "): ", verdictWords(verdict)});
    return verdict == VERDICT_ACCEPTED;
}

static Verdict rangeVerdict(const char* version, const char* minVersion, const char* maxVersion) {
    if (versionInRange(version, minVersion, maxVersion)) return VERDICT_ACCEPTED;
    return versionInRange(version, minVersion, "") ? VERDICT_TOO_NEW : VERDICT_TOO_OLD;
}

void passOverByKeyName(const char* javaPath, const char* version, const char* minVersion) {
    char canonical[TEXT_CAP];
    canonicalLowerPath(canonical, javaPath);
    // Several keys name one Java (its CurrentVersion, "1.8" and "1.8.0_x").
    for (int i = 0; i < report.count; ++i)
        if (strcmp(report.entries[i].javaPath, canonical) == 0) return;
    bool newer = versionNameInRange(version, minVersion, "");
    judge(canonical, version, ORIGIN_KEY_NAME, newer ? VERDICT_TOO_NEW : VERDICT_TOO_OLD);
}

static bool hasJvmLibrary(const char* javaPath) {
    char library[TEXT_CAP];
    for (int place = 0; place < JVM_LIBRARY_PLACES; ++place)
        if (jvmLibraryPath(library, sizeof library, javaPath, place) && pathExists(library)) return true;
    return false;
}

bool checkJvmCandidate(char* javaPath, const char* minVersion, const char* maxVersion) {
    char proposed[TEXT_CAP], canonical[TEXT_CAP], target[TEXT_CAP];
    // A link (as the javapath folder on PATH holds) stands for its target,
    // whose folder holds the VM.
    if (linkTarget(javaPath, target, sizeof target)) {
        trace({"search: ", javaPath, " links to ", target});
        copyText(javaPath, TEXT_CAP, target);
    }
    copyText(proposed, sizeof proposed, javaPath);
    canonicalLowerPath(canonical, javaPath);
    copyText(javaPath, TEXT_CAP, canonical);
    FileTime lastWriteTime;
    if (!pathExists(javaPath, &lastWriteTime)) return judge(javaPath, "", ORIGIN_NONE, VERDICT_MISSING);
    if (!hasJvmLibrary(javaPath)) return judge(javaPath, "", ORIGIN_NONE, VERDICT_NO_JVM_DLL);
    char version[TEXT_CAP] = "";
    bool cached = readCachedVersion(javaPath, lastWriteTime, version);
    VersionOrigin origin = cached ? ORIGIN_CACHE : ORIGIN_NONE;
    uint16_t machine = MACHINE_UNKNOWN;
    if (foreignMachine(proposed, javaPath, cached, version, minVersion, maxVersion, &machine)) {
        if (!cached && version[0]) origin = ORIGIN_RELEASE;
        return judge(javaPath, version, origin, VERDICT_WRONG_BITNESS, machine);
    }
    if (!cached) {
        origin = releaseVersion(javaPath, version) ? ORIGIN_RELEASE
                 : probeJavaVersion(javaPath, version) ? ORIGIN_PROBE
                                                       : ORIGIN_NONE;
        if (origin == ORIGIN_NONE) return judge(javaPath, "", origin, VERDICT_NO_VERSION);
        writeCachedVersion(javaPath, lastWriteTime, version);
    }
    Verdict verdict = rangeVerdict(version, minVersion, maxVersion);
    if (verdict != VERDICT_ACCEPTED) return judge(javaPath, version, origin, verdict);
    char chosen[TEXT_CAP];
    copyText(chosen, sizeof chosen, javaPath);
    if (configInt(CFG_USE_JAVAW) == 1 && !switchToJavaw(javaPath))
        return judge(chosen, version, origin, VERDICT_NO_JAVAW);
    return judge(chosen, version, origin, VERDICT_ACCEPTED);
}
