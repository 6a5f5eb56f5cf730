#include "watch.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>

namespace {

struct Tracked {
    HANDLE handle;
    EndedProcess info;
};

struct Watch {
    const WatchOptions* options;
    WatchReport* report;
    std::vector<Tracked> procs;
    std::vector<HWND> seen;
    std::vector<std::pair<HWND, DWORD>> toClose;  // window and the time it was seen
    DWORD start;

    unsigned now() const { return GetTickCount() - start; }

    int indexOf(DWORD pid) const {
        for (size_t i = 0; i < procs.size(); ++i)
            if (procs[i].info.pid == pid) return (int)i;
        return -1;
    }
};

std::string utf8Of(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), (int)wide.size(), &s[0], n, nullptr, nullptr);
    return s;
}

// Texts as UTF-8, the launcher's own encoding.
std::string windowText(HWND w) {
    int n = GetWindowTextLengthW(w);
    std::wstring s(n + 1, L'\0');
    n = GetWindowTextW(w, &s[0], n + 1);
    s.resize(n > 0 ? n : 0);
    return utf8Of(s);
}

// Controls of another process keep their text to themselves; only asking
// them gives it. A hung window costs at most the time-out.
std::string controlText(HWND w) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return windowText(w);
    std::wstring s(len + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, len + 1, (LPARAM)&s[0], SMTO_ABORTIFHUNG, 2000, &got);
    s.resize(got);
    return utf8Of(s);
}

std::string classOf(HWND w) {
    char name[256] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

// The message of a message box, or the texts of a dialog's static controls;
// icons carry no text and are left out.
BOOL CALLBACK collectStatic(HWND w, LPARAM param) {
    SeenWindow* seen = (SeenWindow*)param;
    std::string cls = classOf(w);
    if (_stricmp(cls.c_str(), "Static") == 0) {
        std::string t = controlText(w);
        if (!t.empty()) seen->text += (seen->text.empty() ? "" : "\n") + t;
    }
    return TRUE;
}

std::wstring wideOf(const std::string& utf8) {
    std::wstring out(utf8.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], (int)out.size());
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

uint64_t ticks(const FILETIME& t) { return ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime; }

// Wine hands out the number of an ended process again, even while we hold
// its handle: a process whose parent number matches is ours only if it was
// made while that parent lived.
bool bornOf(HANDLE child, HANDLE parent) {
    FILETIME childMade, parentMade, parentEnded, unused1, unused2;
    if (!GetProcessTimes(child, &childMade, &unused1, &unused1, &unused2) ||
        !GetProcessTimes(parent, &parentMade, &parentEnded, &unused1, &unused2))
        return false;
    if (ticks(childMade) < ticks(parentMade)) return false;
    return WaitForSingleObject(parent, 0) != WAIT_OBJECT_0 || ticks(childMade) <= ticks(parentEnded);
}

void addChildren(Watch* watch) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
        int parent = watch->indexOf(entry.th32ParentProcessID);
        if (parent < 0 || watch->indexOf(entry.th32ProcessID) >= 0) continue;
        HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                               entry.th32ProcessID);
        if (!h) continue;
        if (!bornOf(h, watch->procs[parent].handle)) {
            CloseHandle(h);
            continue;
        }
        Tracked t{h, {}};
        t.info.pid = entry.th32ProcessID;
        t.info.parentIndex = parent;
        const std::string& up = watch->procs[parent].info.role;
        t.info.role = up == "parent" ? "child" : "grand" + up;
        watch->procs.push_back(t);
    }
    CloseHandle(snap);
}

BOOL CALLBACK noteWindow(HWND w, LPARAM param) {
    Watch* watch = (Watch*)param;
    if (!IsWindowVisible(w)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    int index = watch->indexOf(pid);
    if (index < 0) return TRUE;
    for (HWND s : watch->seen)
        if (s == w) return TRUE;
    watch->seen.push_back(w);
    SeenWindow seen;
    seen.process = index;
    seen.className = classOf(w);
    seen.title = windowText(w);
    seen.atMs = watch->now();
    seen.handle = w;
    seen.foreground = false;
    EnumChildWindows(w, collectStatic, (LPARAM)&seen);
    HWND edit = GetDlgItem(w, 1000);
    if (edit) seen.editText = controlText(edit);
    watch->report->windows.push_back(seen);
    if (seen.className == "#32770") watch->toClose.push_back({w, GetTickCount()});
    return TRUE;
}

HWND firstButton(HWND dialog) {
    for (int id : {IDOK, IDCANCEL}) {
        HWND b = GetDlgItem(dialog, id);
        if (b) return b;
    }
    return FindWindowExA(dialog, nullptr, "Button", nullptr);
}

// The harness never brings a window to the front: a box must come there
// by itself, or the user would not see it.
void closeAsUser(HWND w, CloseBy how) {
    switch (how) {
        case CloseBy::Button: PostMessageA(firstButton(w), BM_CLICK, 0, 0); break;
        case CloseBy::Escape: {
            HWND target = firstButton(w);
            PostMessageA(target ? target : w, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageA(target ? target : w, WM_KEYUP, VK_ESCAPE, 0xC0010001);
            break;
        }
        case CloseBy::CloseBox: PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case CloseBy::Never: break;
    }
}

void closeReadWindows(Watch* watch) {
    for (auto it = watch->toClose.begin(); it != watch->toClose.end();) {
        if (!IsWindow(it->first)) {
            it = watch->toClose.erase(it);
        } else if (GetTickCount() - it->second >= watch->options->readingMs) {
            closeAsUser(it->first, watch->options->closeBy);
            it->second = GetTickCount();  // a box that stays is tried again later
            ++it;
        } else {
            ++it;
        }
    }
}

bool updateEnded(Watch* watch) {
    bool allEnded = true;
    for (Tracked& t : watch->procs) {
        if (t.info.ended) continue;
        if (WaitForSingleObject(t.handle, 0) != WAIT_OBJECT_0) {
            allEnded = false;
            continue;
        }
        DWORD code = 0;
        GetExitCodeProcess(t.handle, &code);
        t.info.exitCode = code;
        t.info.ended = true;
        t.info.endedMs = watch->now();
    }
    return allEnded;
}

}  // namespace

void* limitedToken() {
    HANDLE self = nullptr, primary = nullptr;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &self)) return nullptr;
    if (GetTokenInformation(self, TokenLinkedToken, &linked, sizeof linked, &size)) {
        DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary);
        CloseHandle(linked.LinkedToken);
    }
    CloseHandle(self);
    return primary;
}

WatchReport watchProgram(const WatchOptions& options) {
    WatchReport report;
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    if (options.showCommand >= 0) {
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = (WORD)options.showCommand;
    }
    PROCESS_INFORMATION pi;
    std::wstring line = wideOf(options.commandLine), dirText = wideOf(options.currentDirectory),
                 programText = wideOf(options.program);
    const wchar_t* dir = options.currentDirectory.empty() ? nullptr : dirText.c_str();
    const wchar_t* program = options.program.empty() ? nullptr : programText.c_str();
    // The first window call of a process connects it to the display, which
    // under Wine can take longer than a quick child lives; made here, before
    // the start, it cannot hide that child from the first poll.
    EnumWindows([](HWND, LPARAM) { return FALSE; }, 0);
    HANDLE token = options.limited ? (HANDLE)limitedToken() : nullptr;
    // Under load Wine now and then fails a start with its catch-all error
    // before the program runs at all; a user would double-click again.
    BOOL made = FALSE;
    for (int attempt = 0; attempt < 3 && !made; ++attempt) {
        if (attempt) Sleep(200);
        made = token ? CreateProcessAsUserW(token, program, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)
                     : CreateProcessW(program, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi);
        if (!made && GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    if (token) CloseHandle(token);
    if (!made) {
        report.error = "CreateProcess failed with " + std::to_string(GetLastError());
        return report;
    }
    report.started = true;
    CloseHandle(pi.hThread);
    Watch watch{&options, &report, {}, {}, {}, GetTickCount()};
    Tracked first{pi.hProcess, {}};
    first.info.pid = pi.dwProcessId;
    first.info.parentIndex = -1;
    first.info.role = "parent";
    watch.procs.push_back(first);

    for (;;) {
        addChildren(&watch);
        EnumWindows(noteWindow, (LPARAM)&watch);
        HWND front = GetForegroundWindow();
        for (SeenWindow& w : report.windows)
            if (w.handle == front) w.foreground = true;
        closeReadWindows(&watch);
        if (options.eachPoll) options.eachPoll(report, watch.now());
        if (updateEnded(&watch)) {
            addChildren(&watch);  // a child started just before its parent ended
            if (updateEnded(&watch)) break;
        }
        if (watch.now() > options.timeoutMs) {
            for (Tracked& t : watch.procs)
                if (!t.info.ended) TerminateProcess(t.handle, 0xDEAD);
            report.error = "timed out";
            break;
        }
        // A stand-in child may live only a few tens of milliseconds.
        Sleep(5);
    }
    for (Tracked& t : watch.procs) {
        report.processes.push_back(t.info);
        CloseHandle(t.handle);
    }
    return report;
}

const EndedProcess* WatchReport::byRole(const std::string& role) const {
    for (const EndedProcess& p : processes)
        if (p.role == role) return &p;
    return nullptr;
}

static std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '"' || c == '\\') out += std::string("\\") + c;
        else out.push_back(c);
    }
    return out + "\"";
}

std::string WatchReport::describe() const {
    std::string out;
    if (!error.empty()) out += "error: " + error + "\n";
    for (const SeenWindow& w : windows) {
        char at[32];
        snprintf(at, sizeof at, "%u ms", w.atMs);
        out += "window of " + processes.at(w.process).role + " at " + at + ": class " + quoted(w.className) +
               ", title " + quoted(w.title);
        if (!w.text.empty()) out += ", text " + quoted(w.text);
        if (!w.editText.empty()) out += ", log " + quoted(w.editText);
        out += "\n";
    }
    for (const EndedProcess& p : processes) {
        char line[96];
        if (p.ended)
            snprintf(line, sizeof line, "%s ended with %u at %u ms\n", p.role.c_str(), p.exitCode, p.endedMs);
        else
            snprintf(line, sizeof line, "%s was still running and was killed\n", p.role.c_str());
        out += line;
    }
    return out;
}
