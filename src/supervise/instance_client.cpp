#include "supervise/instance_client.h"

#include "files/trace.h"
#include "supervise/instance_pipe.h"
#include "supervise/instance_text.h"

// A running instance answers at once, whatever its application does; only
// a starting one, which holds the name before its pipe is up, is waited
// for longer: it may be copying a runtime or asking for a folder.
enum { STARTING_WAIT_MS = 30000, ANSWER_WAIT_MS = 5000 };

static HANDLE claimMutex = nullptr;

void releaseInstanceClaim() {
    if (claimMutex) CloseHandle(claimMutex);
    claimMutex = nullptr;
}

// The server is this program, run by this user in this session at this
// level; anyone else who made the pipe first gets nothing.
static bool trustedServer(HANDLE pipe, const InstanceIdentity* own) {
    ULONG server = 0;
    if (!GetNamedPipeServerProcessId(pipe, &server)) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, server);
    if (!process) return false;
    static InstanceIdentity theirs;
    bool same = processIdentity(process, server, &theirs) && sameIdentity(own, &theirs);
    CloseHandle(process);
    // The running instance may take the foreground that this start was given.
    if (same) AllowSetForegroundWindow(server);
    return same;
}

enum Answer { ANSWER_TAKEN, ANSWER_REFUSED, ANSWER_NONE };

static Answer handOver(HANDLE pipe, const unsigned char* message, DWORD length) {
    ULONGLONG deadline = GetTickCount64() + ANSWER_WAIT_MS;
    DWORD done = 0;
    char answer = 0;
    bool sent = pipeTransfer(pipe, true, (void*)message, length, &done, deadline) == PIPE_IO_DONE && done == length;
    DWORD error = GetLastError();
    PipeIo read = sent ? pipeTransfer(pipe, false, &answer, 1, &done, deadline) : PIPE_IO_FAILED;
    if (sent) error = GetLastError();
    if (read == PIPE_IO_DONE && done == 1) return answer == HAND_OVER_TAKEN ? ANSWER_TAKEN : ANSWER_REFUSED;
    // A server that closes before it has the whole hand-over has begun to
    // end; one that had it and closed without a word may have taken it, and
    // the document must not open twice: the user hears that it did not answer.
    bool closed = error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_NO_DATA;
    return closed && !sent ? ANSWER_REFUSED : ANSWER_NONE;
}

static size_t handOverMessage(const char* folder, const StringList* words, unsigned char* message) {
    size_t dropped = 0;
    size_t length = encodeHandOver(folder, words, message, HAND_OVER_MAX, &dropped);
    // A folder that cannot travel: the words still go, against none.
    if (length == 0) length = encodeHandOver("", words, message, HAND_OVER_MAX, &dropped);
    if (dropped) {
        char count[24] = "";
        appendUnsigned(count, sizeof count, dropped);
        trace({"parent: ", count, " words do not fit in a hand-over and are left out"});
    }
    return length;
}

static HANDLE openPipe(const wchar_t* name) {
    // Identification only: a server may learn who sends, never act as them.
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
}

// The mutex tells a start that another is running or starting; the pipe
// appears once that one's child is up. A start whose other ended, or began
// to end and refused, tries again and may become the first.
InstanceClaim claimInstance(const char* folder, const StringList* words) {
    static InstanceIdentity own;
    static InstanceNames names;
    if (!ownIdentity(&own)) return INSTANCE_FIRST;
    instanceNames(&own, &names);
    static unsigned char message[HAND_OVER_MAX];
    DWORD length = (DWORD)handOverMessage(folder, words, message);
    ULONGLONG deadline = GetTickCount64() + STARTING_WAIT_MS;
    for (;;) {
        claimMutex = CreateMutexW(nullptr, FALSE, names.mutex);
        if (claimMutex && GetLastError() != ERROR_ALREADY_EXISTS) return INSTANCE_FIRST;
        releaseInstanceClaim();
        HANDLE pipe = openPipe(names.pipe);
        DWORD openError = GetLastError();
        if (pipe != INVALID_HANDLE_VALUE) {
            bool trusted = trustedServer(pipe, &own);
            Answer answer = trusted && length ? handOver(pipe, message, length) : ANSWER_NONE;
            CloseHandle(pipe);
            if (!trusted) {
                trace({"parent: the instance's pipe is served by another program or user; running alone"});
                return INSTANCE_FIRST;
            }
            if (answer == ANSWER_TAKEN) return INSTANCE_HANDED_OVER;
            if (answer == ANSWER_NONE) return INSTANCE_NOT_RESPONDING;
            trace({"parent: the running instance is ending; trying again"});
            deadline = GetTickCount64() + STARTING_WAIT_MS;
        }
        if (GetTickCount64() >= deadline) return INSTANCE_NOT_RESPONDING;
        if (openError == ERROR_PIPE_BUSY) WaitNamedPipeW(names.pipe, PIPE_RETRY_MS * 4);
        else Sleep(PIPE_RETRY_MS);
    }
}
