#include "supervise/instance.h"

#include <windows.h>

#include <sddl.h>

#include "files/text.h"
#include "files/trace.h"
#include "files/wide.h"
#include "supervise/instance_text.h"

enum { CLAIM_WAIT_MS = 10000, ANSWER_WAIT_MS = 5000, RETRY_MS = 50 };
static const char HAND_OVER_ANSWER = 'A';

// The user's SID as text, for the name and the pipe's security.
static bool userSid(wchar_t* dst, size_t cap) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    union {
        TOKEN_USER user;
        unsigned char bytes[256];
    } info;
    DWORD size = 0;
    bool ok = GetTokenInformation(token, TokenUser, &info, sizeof info, &size) != FALSE;
    CloseHandle(token);
    wchar_t* text = nullptr;
    if (!ok || !ConvertSidToStringSidW(info.user.User.Sid, &text)) return false;
    ok = lstrlenW(text) < (int)cap;
    if (ok) lstrcpyW(dst, text);
    LocalFree(text);
    return ok;
}

// The program's long full path in lower case: a start through a short name
// or another case finds the same instance.
static void programKeyPath(char* dst, size_t cap) {
    wchar_t own[TEXT_CAP], longer[TEXT_CAP];
    DWORD n = GetModuleFileNameW(nullptr, own, TEXT_CAP);
    if (n == 0 || n >= TEXT_CAP) own[0] = L'\0';
    n = GetLongPathNameW(own, longer, TEXT_CAP);
    const wchar_t* path = n > 0 && n < TEXT_CAP ? longer : own;
    lstrcpynW(longer, path, TEXT_CAP);
    CharLowerW(longer);
    toUtf8(longer, dst, cap);
}

static void instanceNames(wchar_t* pipe, wchar_t* mutex, wchar_t* sid, size_t sidCap) {
    char path[TEXT_CAP], sidText[256] = "", key[INSTANCE_KEY_CAP];
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    if (!userSid(sid, sidCap)) sid[0] = L'\0';
    toUtf8(sid, sidText, sizeof sidText);
    programKeyPath(path, sizeof path);
    instanceKey(path, sidText, session, key, sizeof key);
    wchar_t wideKey[INSTANCE_KEY_CAP];
    toWide(key, wideKey, INSTANCE_KEY_CAP);
    lstrcpyW(pipe, L"\\\\.\\pipe\\");
    lstrcatW(pipe, wideKey);
    lstrcpyW(mutex, L"Local\\");
    lstrcatW(mutex, wideKey);
}

// One transfer on an overlapped pipe, given up at the deadline.
static bool pipeTransfer(HANDLE pipe, bool write, void* buffer, DWORD length, DWORD* done, ULONGLONG deadline) {
    OVERLAPPED io;
    ZeroMemory(&io, sizeof io);
    io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!io.hEvent) return false;
    BOOL started = write ? WriteFile(pipe, buffer, length, nullptr, &io) : ReadFile(pipe, buffer, length, nullptr, &io);
    bool ok = started || GetLastError() == ERROR_IO_PENDING;
    if (ok) {
        ULONGLONG now = GetTickCount64();
        DWORD wait = now < deadline ? (DWORD)(deadline - now) : 0;
        if (WaitForSingleObject(io.hEvent, wait) != WAIT_OBJECT_0) {
            CancelIo(pipe);
            ok = false;
        }
        // After CancelIo the transfer is over either way, and io may go.
        ok = GetOverlappedResult(pipe, &io, done, TRUE) && ok;
    }
    CloseHandle(io.hEvent);
    return ok;
}

static InstanceClaim handOver(HANDLE pipe, const char* folder, const StringList* words) {
    ULONG server = 0;
    // The running instance may take the foreground that this start was given.
    if (GetNamedPipeServerProcessId(pipe, &server)) AllowSetForegroundWindow(server);
    static unsigned char message[HAND_OVER_MAX];
    size_t length = encodeHandOver(folder, words, message, sizeof message);
    if (length == 0) {
        // Words beyond the limit: the folder alone still brings it forward.
        StringList none = {nullptr, 0, 0};
        length = encodeHandOver(folder, &none, message, sizeof message);
        trace({"parent: the words are too long to hand over; only the folder goes"});
    }
    ULONGLONG deadline = GetTickCount64() + ANSWER_WAIT_MS;
    DWORD done = 0;
    char answer = 0;
    bool ok = pipeTransfer(pipe, true, message, (DWORD)length, &done, deadline) && done == length &&
              pipeTransfer(pipe, false, &answer, 1, &done, deadline) && done == 1 && answer == HAND_OVER_ANSWER;
    CloseHandle(pipe);
    return ok ? INSTANCE_HANDED_OVER : INSTANCE_NOT_RESPONDING;
}

static HANDLE openPipe(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

// The mutex tells a start that another is running or starting; the pipe
// appears once that one's child is up. A start whose other ended in the
// meantime takes its place.
InstanceClaim claimInstance(const char* folder, const StringList* words) {
    wchar_t pipeName[64], mutexName[64], sid[200];
    instanceNames(pipeName, mutexName, sid, 200);
    ULONGLONG deadline = GetTickCount64() + CLAIM_WAIT_MS;
    for (;;) {
        // Held until the parent ends, after its child took its own.
        HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName);
        if (mutex && GetLastError() != ERROR_ALREADY_EXISTS) return INSTANCE_FIRST;
        if (mutex) CloseHandle(mutex);
        HANDLE pipe = openPipe(pipeName);
        if (pipe != INVALID_HANDLE_VALUE) {
            trace({"parent: the program runs already; handing over"});
            return handOver(pipe, folder, words);
        }
        if (GetTickCount64() >= deadline) return INSTANCE_NOT_RESPONDING;
        if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeW(pipeName, RETRY_MS * 4);
        else Sleep(RETRY_MS);
    }
}

static HANDLE servedPipe = INVALID_HANDLE_VALUE;
static void (*deliverHandOver)(const StringList*) = nullptr;

static bool readHandOver(HANDLE pipe, unsigned char* message, DWORD* length) {
    *length = 0;
    for (;;) {
        DWORD got = 0;
        if (ReadFile(pipe, message + *length, HAND_OVER_MAX - *length, &got, nullptr)) {
            *length += got;
            return true;
        }
        *length += got;
        // A message longer than a hand-over may be is refused.
        if (GetLastError() != ERROR_MORE_DATA || *length >= HAND_OVER_MAX) return false;
    }
}

static DWORD WINAPI serveThread(void*) {
    static unsigned char message[HAND_OVER_MAX];
    for (;;) {
        if (!ConnectNamedPipe(servedPipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) {
            Sleep(RETRY_MS);
            continue;
        }
        DWORD length = 0, written = 0;
        StringList items = {nullptr, 0, 0};
        bool whole = readHandOver(servedPipe, message, &length) && decodeHandOver(message, length, &items);
        if (whole) WriteFile(servedPipe, &HAND_OVER_ANSWER, 1, &written, nullptr);
        FlushFileBuffers(servedPipe);
        DisconnectNamedPipe(servedPipe);
        trace({"child: hand-over ", whole ? "received from a second start" : "refused: not a whole hand-over"});
        if (whole) deliverHandOver(&items);
        freeStringList(&items);
    }
}

bool serveHandOvers(void (*deliver)(const StringList* items)) {
    wchar_t pipeName[64], mutexName[64], sid[200], sddl[260];
    instanceNames(pipeName, mutexName, sid, 200);
    // The child's own hold, taken while the parent's still stands; not
    // inheritable, so that a process the application starts and leaves
    // running never passes for the instance.
    if (!CreateMutexW(nullptr, FALSE, mutexName)) return false;
    // Only this user may connect, and only from this machine.
    lstrcpyW(sddl, L"D:P(A;;GA;;;");
    lstrcatW(sddl, sid);
    lstrcatW(sddl, L")");
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
    if (!sid[0] || !ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                        &security.lpSecurityDescriptor, nullptr))
        return false;
    deliverHandOver = deliver;
    servedPipe = CreateNamedPipeW(pipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                  64, HAND_OVER_MAX, 0, &security);
    LocalFree(security.lpSecurityDescriptor);
    if (servedPipe == INVALID_HANDLE_VALUE) return false;
    HANDLE thread = CreateThread(nullptr, 0, serveThread, nullptr, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

static BOOL CALLBACK findFirstWindow(HWND window, LPARAM found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

void bringFirstWindowToFront() {
    HWND window = nullptr;
    EnumWindows(findFirstWindow, (LPARAM)&window);
    if (!window) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}
