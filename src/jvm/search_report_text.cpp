#include "jvm/search_report_text.h"

#include "files/text.h"
#include "jvm/image_text.h"
#include "jvm/search_text.h"

void addSearchEntry(SearchReport* report, const SearchEntry& entry) {
    if (report->count >= REPORT_ENTRIES) {
        ++report->dropped;
        return;
    }
    SearchEntry& to = report->entries[report->count++];
    copyText(to.source, sizeof to.source, entry.source);
    copyText(to.javaPath, sizeof to.javaPath, entry.javaPath);
    copyText(to.version, sizeof to.version, entry.version);
    to.machine = entry.machine;
    to.origin = entry.origin;
    to.verdict = entry.verdict;
}

static const char DASH[] = " \xE2\x80\x94 ";  // an em dash between blanks

void searchEntryLine(const SearchEntry& e, const char* minVersion, const char* maxVersion, uint16_t ownMachine,
                     char* dst, size_t cap) {
    if (e.verdict == VERDICT_MISSING) {
        copyText(dst, cap, "No java.exe at ");
        appendText(dst, cap, e.javaPath);
        return;
    }
    char home[REPORT_TEXT];
    javaHomeOf(home, sizeof home, e.javaPath);
    copyText(dst, cap, "Java ");
    if (e.version[0]) appendTexts(dst, cap, {e.version, " "});
    appendTexts(dst, cap, {"in ", home, DASH});
    switch (e.verdict) {
        case VERDICT_ACCEPTED: appendText(dst, cap, "chosen"); break;
        case VERDICT_NO_VERSION: appendText(dst, cap, "it did not tell its version in time"); break;
        case VERDICT_TOO_OLD: appendTexts(dst, cap, {"older than ", minVersion}); break;
        case VERDICT_TOO_NEW: appendTexts(dst, cap, {"newer than ", maxVersion}); break;
        case VERDICT_WRONG_BITNESS:
            appendTexts(dst, cap, {machineWords(e.machine, ownMachine), ", this program needs ",
                                   machineWords(ownMachine, e.machine)});
            break;
        case VERDICT_NO_JAVAW: appendText(dst, cap, "it has no javaw.exe"); break;
        case VERDICT_NO_JVM_DLL: appendText(dst, cap, "no jvm.dll"); break;
        case VERDICT_MISSING: break;
    }
}

void searchReportText(const SearchReport* report, const char* minVersion, const char* maxVersion,
                      uint16_t ownMachine, char* dst, size_t cap) {
    if (cap) dst[0] = '\0';
    int shown = report->count < REPORT_SHOWN ? report->count : REPORT_SHOWN;
    char line[TEXT_CAP];
    for (int i = 0; i < shown; ++i) {
        searchEntryLine(report->entries[i], minVersion, maxVersion, ownMachine, line, sizeof line);
        appendTexts(dst, cap, {i ? "\n" : "", line});
    }
    unsigned long more = (unsigned long)(report->count - shown + report->dropped);
    if (!more) return;
    char count[24] = "";
    appendUnsigned(count, sizeof count, more);
    appendTexts(dst, cap, {"\n", "and ", count, " more"});
}

const char* verdictWords(Verdict verdict) {
    static const char* const WORDS[] = {"accepted", "missing",       "no version",   "below the lower bound",
                                        "above the upper bound", "wrong bitness", "no javaw.exe", "no jvm.dll"};
    return WORDS[verdict];
}

const char* originWords(VersionOrigin origin) {
    static const char* const WORDS[] = {"unknown", "cache", "release file", "probe", "registry key's name"};
    return WORDS[origin];
}

bool onlyUnsuitableJavas(const SearchReport* report) {
    if (report->dropped) return false;
    bool unsuitable = false;
    for (int i = 0; i < report->count; ++i) {
        Verdict verdict = report->entries[i].verdict;
        if (verdict == VERDICT_MISSING) continue;
        if (verdict != VERDICT_TOO_OLD && verdict != VERDICT_TOO_NEW && verdict != VERDICT_WRONG_BITNESS)
            return false;
        unsuitable = true;
    }
    return unsuitable;
}
