#include "supervise/instance_pipe.h"

#include <sddl.h>

#include "files/wide.h"
#include "supervise/instance_text.h"

static bool tokenIdentity(HANDLE token, InstanceIdentity* out) {
    union {
        TOKEN_USER user;
        unsigned char bytes[256];
    } info;
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, &info, sizeof info, &size)) return false;
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(info.user.User.Sid, &text)) return false;
    bool ok = toUtf8(text, out->userSid, sizeof out->userSid);
    LocalFree(text);
    TOKEN_ELEVATION elevation = {0};
    // A system without elevation has one level only.
    out->elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                    elevation.TokenIsElevated != 0;
    return ok;
}

static bool programPath(HANDLE process, char* dst, size_t cap) {
    wchar_t image[TEXT_CAP], longer[TEXT_CAP];
    DWORD n = TEXT_CAP;
    if (!QueryFullProcessImageNameW(process, 0, image, &n)) return false;
    n = GetLongPathNameW(image, longer, TEXT_CAP);
    if (n == 0 || n >= TEXT_CAP) lstrcpynW(longer, image, TEXT_CAP);
    CharLowerW(longer);
    return toUtf8(longer, dst, cap);
}

bool processIdentity(HANDLE process, DWORD processId, InstanceIdentity* out) {
    HANDLE token = nullptr;
    if (!programPath(process, out->program, sizeof out->program) ||
        !ProcessIdToSessionId(processId, &out->session) || !OpenProcessToken(process, TOKEN_QUERY, &token))
        return false;
    bool ok = tokenIdentity(token, out);
    CloseHandle(token);
    return ok;
}

bool ownIdentity(InstanceIdentity* out) { return processIdentity(GetCurrentProcess(), GetCurrentProcessId(), out); }

bool sameIdentity(const InstanceIdentity* a, const InstanceIdentity* b) {
    return lstrcmpA(a->program, b->program) == 0 && lstrcmpA(a->userSid, b->userSid) == 0 &&
           a->session == b->session && a->elevated == b->elevated;
}

void instanceNames(const InstanceIdentity* who, InstanceNames* names) {
    char key[INSTANCE_KEY_CAP];
    instanceKey(who->program, who->userSid, who->session, who->elevated, key, sizeof key);
    wchar_t wideKey[INSTANCE_KEY_CAP];
    toWide(key, wideKey, INSTANCE_KEY_CAP);
    lstrcpyW(names->pipe, L"\\\\.\\pipe\\");
    lstrcatW(names->pipe, wideKey);
    lstrcpyW(names->mutex, L"Local\\");
    lstrcatW(names->mutex, wideKey);
}

PipeIo pipeTransfer(HANDLE pipe, bool write, void* buffer, DWORD length, DWORD* done, ULONGLONG deadline,
                    HANDLE alsoEnd) {
    OVERLAPPED io;
    ZeroMemory(&io, sizeof io);
    io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    *done = 0;
    if (!io.hEvent) return PIPE_IO_FAILED;
    BOOL started = write ? WriteFile(pipe, buffer, length, nullptr, &io) : ReadFile(pipe, buffer, length, nullptr, &io);
    DWORD error = started ? 0 : GetLastError();
    bool ok = started || error == ERROR_IO_PENDING || error == ERROR_MORE_DATA;
    if (ok) {
        ULONGLONG now = GetTickCount64();
        DWORD wait = now < deadline ? (DWORD)(deadline - now) : 0;
        HANDLE ends[2] = {io.hEvent, alsoEnd};
        if (WaitForMultipleObjects(alsoEnd ? 2 : 1, ends, FALSE, wait) != WAIT_OBJECT_0) {
            CancelIo(pipe);
            ok = false;
        }
        // After CancelIo the transfer is over either way, and io may go.
        BOOL finished = GetOverlappedResult(pipe, &io, done, TRUE);
        error = finished ? 0 : GetLastError();
        ok = ok && (finished || error == ERROR_MORE_DATA);
    }
    CloseHandle(io.hEvent);
    SetLastError(error);
    if (!ok) return PIPE_IO_FAILED;
    return error == ERROR_MORE_DATA ? PIPE_IO_MORE : PIPE_IO_DONE;
}
