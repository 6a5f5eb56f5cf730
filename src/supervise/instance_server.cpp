#include "supervise/instance_server.h"

#include <windows.h>

#include <sddl.h>

#include <cstdlib>

#include "files/trace.h"
#include "files/wide.h"
#include "supervise/instance_pipe.h"
#include "supervise/instance_text.h"

// A client says its piece at once; one that does not is let go. An ending
// instance of the same program may hold the name's last pipes a moment.
enum { READ_WAIT_MS = 3000, FIRST_PIPE_WAIT_MS = 10000, START_LINE_CAP = 32768 };

// The folder and main's words, for the application; the VM options of the
// second start, for a start again.
struct Taken {
    Taken* next;
    StringList items, options;
};

static CRITICAL_SECTION lock;
// Held through an end's starts: every caller of the end returns only once
// all of them are made, and the delivery frees nothing the end still reads.
static CRITICAL_SECTION endLock;
static Taken* firstTaken = nullptr;
static Taken** lastTaken = &firstTaken;
// The one being delivered: an end that comes meanwhile starts it on its own
// too (a VM that is shutting down may never answer), and clears this.
static Taken* inFlight = nullptr;
static unsigned long takenCount = 0;
// Read threads that have said "taken" and not yet queued or started it: the
// end waits for them, so that no item a client was told of is lost.
static volatile LONG answering = 0;
static bool stopped = false, serving = false;
static HANDLE mayFlow = nullptr, waiting = nullptr, stopEvent = nullptr, heldMutex = nullptr;
static InstanceNames names;
static SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
static Delivery (*deliverHandOver)(const StringList*) = nullptr;

static bool isStopped() {
    EnterCriticalSection(&lock);
    bool value = stopped;
    LeaveCriticalSection(&lock);
    return value;
}

// Queued in the order taken; the list then owns the items.
static bool take(StringList* items, StringList* options) {
    Taken* taken = (Taken*)malloc(sizeof *taken);
    EnterCriticalSection(&lock);
    bool ok = taken && !stopped;
    unsigned long number = ok ? ++takenCount : 0;
    if (ok) {
        taken->next = nullptr;
        taken->items = *items;
        taken->options = *options;
        *lastTaken = taken;
        lastTaken = &taken->next;
    }
    LeaveCriticalSection(&lock);
    if (!ok) {
        free(taken);
        return false;
    }
    *items = StringList{nullptr, 0, 0};
    *options = StringList{nullptr, 0, 0};
    char text[24] = "";
    appendUnsigned(text, sizeof text, number);
    trace({"child: hand-over ", text, " taken"});
    SetEvent(waiting);
    return true;
}

static Taken* nextTaken() {
    EnterCriticalSection(&lock);
    Taken* taken = firstTaken;
    if (taken) firstTaken = taken->next;
    if (!firstTaken) lastTaken = &firstTaken;
    inFlight = taken;
    LeaveCriticalSection(&lock);
    return taken;
}

// True when the delivery still owns the outcome of its item.
static bool landed(Taken* taken) {
    EnterCriticalSection(&lock);
    bool own = inFlight == taken;
    inFlight = nullptr;
    LeaveCriticalSection(&lock);
    return own;
}

static void dropTaken(Taken* taken) {
    freeStringList(&taken->items);
    freeStringList(&taken->options);
    free(taken);
}

// A start of this program in the hand-over's folder with its words and VM
// options, as the second start would have run had there been no instance;
// its line says which words are options, so that no word of the user's is
// read as the launcher's own.
static void startAgain(const Taken* taken) {
    const StringList* items = &taken->items;
    char* line = (char*)malloc(START_LINE_CAP);
    size_t dropped = 0;
    if (!line || !quotedOwnProgramPath(line, START_LINE_CAP) ||
        !appendAgainWords(line, START_LINE_CAP, &taken->options, items, &dropped)) {
        free(line);
        trace({"child: a hand-over that was not delivered could not be started again"});
        return;
    }
    char count[24] = "";
    appendUnsigned(count, sizeof count, dropped);
    if (dropped) trace({"child: ", count, " words beyond a command line's limit are left out of a start again"});
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    // A folder that has gone since leaves the start in this one.
    BOOL started = createProcess(nullptr, line, FALSE, 0, items->items[0], &startup, &process) ||
                   createProcess(nullptr, line, FALSE, 0, nullptr, &startup, &process);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    trace({"child: a hand-over not delivered ", started ? "starts on its own: " : "could not start: ", line});
    free(line);
}

// `current`, the one whose delivery met the end, first; then the queue and
// whatever was in flight meanwhile.
// Counted among those answering unless the end has come.
static bool mayAnswerTaken() {
    EnterCriticalSection(&lock);
    bool open = !stopped;
    if (open) InterlockedIncrement(&answering);
    LeaveCriticalSection(&lock);
    return open;
}

static void waitForAnswered() {
    for (ULONGLONG deadline = GetTickCount64() + READ_WAIT_MS; answering > 0 && GetTickCount64() < deadline;)
        Sleep(5);
}

static void endServing(const Taken* current) {
    if (!serving) return;
    EnterCriticalSection(&endLock);
    EnterCriticalSection(&lock);
    bool already = stopped;
    stopped = true;
    Taken* rest = firstTaken;
    firstTaken = nullptr;
    lastTaken = &firstTaken;
    Taken* delivering = inFlight;
    inFlight = nullptr;
    LeaveCriticalSection(&lock);
    if (!already) {
        trace({"child: the application ends; no more hand-overs"});
        SetEvent(stopEvent);
        CloseHandle(heldMutex);
        heldMutex = nullptr;
    }
    if (current) startAgain(current);
    // Its items stay the delivery's to free, after this lock; they are only read.
    if (delivering) startAgain(delivering);
    while (rest) {
        Taken* next = rest->next;
        startAgain(rest);
        dropTaken(rest);
        rest = next;
    }
    LeaveCriticalSection(&endLock);
    waitForAnswered();
}

void stopTakingHandOvers() { endServing(nullptr); }

void handOversMayFlow() {
    if (serving) SetEvent(mayFlow);
}

static DWORD WINAPI deliverThread(void*) {
    HANDLE gates[2] = {stopEvent, mayFlow};
    if (WaitForMultipleObjects(2, gates, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
    HANDLE ends[2] = {stopEvent, waiting};
    while (WaitForMultipleObjects(2, ends, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        while (Taken* taken = nextTaken()) {
            Delivery delivery = deliverHandOver(&taken->items);
            if (!landed(taken)) {
                // An end took it over: it is freed once the end is done.
                EnterCriticalSection(&endLock);
                LeaveCriticalSection(&endLock);
            } else if (delivery == APPLICATION_ENDING) {
                endServing(taken);
            }
            dropTaken(taken);
        }
    }
    return 0;
}

static bool readMessage(HANDLE pipe, unsigned char* message, DWORD* length) {
    ULONGLONG deadline = GetTickCount64() + READ_WAIT_MS;
    *length = 0;
    // A message longer than a hand-over may be is refused.
    while (*length < HAND_OVER_MAX) {
        DWORD got = 0;
        PipeIo io = pipeTransfer(pipe, false, message + *length, HAND_OVER_MAX - *length, &got, deadline);
        *length += got;
        if (io != PIPE_IO_MORE) return io == PIPE_IO_DONE;
    }
    return false;
}

static InstanceIdentity own;

// A hand-over comes from this program alone, run by this user in this
// session at this level, as the client checks the server: any other
// program of the user, or one below an elevated instance, would have the
// instance start what it likes with the instance's rights.
static bool trustedClient(HANDLE pipe) {
    ULONG client = 0;
    if (!GetNamedPipeClientProcessId(pipe, &client)) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, client);
    if (!process) return false;
    InstanceIdentity* theirs = (InstanceIdentity*)malloc(sizeof *theirs);
    bool same = theirs && processIdentity(process, client, theirs) && sameIdentity(&own, theirs);
    if (!same) trace({"child: a client that is not this program of this user at this level is refused: ",
                      theirs ? theirs->program : ""});
    free(theirs);
    CloseHandle(process);
    return same;
}

static DWORD WINAPI readThread(void* param) {
    HANDLE pipe = (HANDLE)param;
    unsigned char* message = (unsigned char*)malloc(HAND_OVER_MAX);
    DWORD length = 0;
    StringList items = {nullptr, 0, 0}, options = {nullptr, 0, 0};
    bool trusted = trustedClient(pipe);
    bool whole = trusted && message && readMessage(pipe, message, &length) &&
                 decodeHandOver(message, length, &items) && takeHandOverOptions(&items, &options);
    free(message);
    if (!trusted) {
        // Nothing read, nothing answered.
    } else if (whole) {
        // The answer goes out before the end can see the item: a client told
        // "taken" never opens the document itself, and an end that came
        // meanwhile leaves this thread to start it again.
        bool open = mayAnswerTaken();
        char answer = open ? HAND_OVER_TAKEN : HAND_OVER_REFUSED;
        DWORD done = 0;
        ULONGLONG deadline = GetTickCount64() + READ_WAIT_MS;
        bool told = pipeTransfer(pipe, true, &answer, 1, &done, deadline) == PIPE_IO_DONE;
        if (open && told && !take(&items, &options)) {
            Taken late = {nullptr, items, options};
            startAgain(&late);
        }
        if (open) InterlockedDecrement(&answering);
        // The client closes once it has the answer: then the pipe may go.
        if (told) pipeTransfer(pipe, false, &answer, 1, &done, deadline);
        if (answer == HAND_OVER_REFUSED) trace({"child: hand-over refused: the application ends"});
    } else {
        trace({"child: a client sent no whole hand-over in time"});
    }
    freeStringList(&items);
    freeStringList(&options);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    return 0;
}

static HANDLE newPipe(bool first) {
    DWORD open = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipeW(names.pipe, open, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT |
                                                  PIPE_REJECT_REMOTE_CLIENTS,
                            PIPE_UNLIMITED_INSTANCES, 64, HAND_OVER_MAX, 0, &security);
}

static HANDLE firstPipe() {
    ULONGLONG deadline = GetTickCount64() + FIRST_PIPE_WAIT_MS;
    for (;;) {
        HANDLE pipe = newPipe(true);
        if (pipe != INVALID_HANDLE_VALUE || GetTickCount64() >= deadline) return pipe;
        if (WaitForSingleObject(stopEvent, PIPE_RETRY_MS) == WAIT_OBJECT_0) return INVALID_HANDLE_VALUE;
    }
}

// True once a client is connected; false when none came before the end.
static bool awaitClient(HANDLE pipe) {
    OVERLAPPED io;
    ZeroMemory(&io, sizeof io);
    io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!io.hEvent) return false;
    BOOL connected = ConnectNamedPipe(pipe, &io);
    DWORD error = connected ? 0 : GetLastError();
    if (error == ERROR_PIPE_CONNECTED) connected = TRUE;
    if (error == ERROR_IO_PENDING) {
        HANDLE ends[2] = {io.hEvent, stopEvent};
        if (WaitForMultipleObjects(2, ends, FALSE, INFINITE) != WAIT_OBJECT_0) CancelIo(pipe);
        DWORD unused = 0;
        connected = GetOverlappedResult(pipe, &io, &unused, TRUE);
    }
    CloseHandle(io.hEvent);
    return connected != FALSE;
}

static bool startThread(LPTHREAD_START_ROUTINE routine, void* param = nullptr) {
    HANDLE thread = CreateThread(nullptr, 0, routine, param, 0, nullptr);
    if (thread) CloseHandle(thread);
    return thread != nullptr;
}

// The next pipe, once the system has room for it; none once the end came.
static HANDLE nextPipe() {
    for (;;) {
        HANDLE pipe = newPipe(false);
        if (pipe != INVALID_HANDLE_VALUE) return pipe;
        if (WaitForSingleObject(stopEvent, PIPE_RETRY_MS) == WAIT_OBJECT_0) return INVALID_HANDLE_VALUE;
    }
}

// Each client is read on a thread of its own, and the next pipe waits at
// once: no client, however slow, keeps another out. One that came as the
// end did is still read, and answered that the application ends.
static DWORD WINAPI listenThread(void*) {
    HANDLE pipe = firstPipe();
    if (pipe == INVALID_HANDLE_VALUE && !isStopped()) {
        trace({"child: the instance's pipe is taken; a second start runs alone"});
        stopTakingHandOvers();
    }
    while (pipe != INVALID_HANDLE_VALUE) {
        if (!awaitClient(pipe)) {
            // A client that came and went, or the end.
            DisconnectNamedPipe(pipe);
            if (WaitForSingleObject(stopEvent, PIPE_RETRY_MS) != WAIT_OBJECT_0) continue;
            CloseHandle(pipe);
            break;
        }
        if (!startThread(readThread, pipe)) CloseHandle(pipe);
        pipe = isStopped() ? INVALID_HANDLE_VALUE : nextPipe();
    }
    return 0;
}

// Only this user may connect, and only from this machine; to an elevated
// instance, no process below its level may even write.
static bool userOnlySecurity(const char* sid, bool elevated) {
    wchar_t sddl[300], wideSid[200];
    if (!toWide(sid, wideSid, 200)) return false;
    lstrcpyW(sddl, L"D:P(A;;GA;;;");
    lstrcatW(sddl, wideSid);
    lstrcatW(sddl, L")");
    size_t dacl = lstrlenW(sddl);
    if (elevated) lstrcatW(sddl, L"S:(ML;;NW;;;HI)");
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &security.lpSecurityDescriptor,
                                                             nullptr))
        return true;
    // A system that knows no labels: each client is still checked.
    sddl[dacl] = L'\0';
    trace({"child: the instance's pipe carries no integrity label"});
    return ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &security.lpSecurityDescriptor,
                                                                nullptr) != FALSE;
}

bool serveHandOvers(Delivery (*deliver)(const StringList* items)) {
    if (!ownIdentity(&own) || !userOnlySecurity(own.userSid, own.elevated)) return false;
    instanceNames(&own, &names);
    // The child's own hold, taken while the parent's still stands; not
    // inheritable, so that a process the application starts and leaves
    // running never passes for the instance.
    heldMutex = CreateMutexW(nullptr, FALSE, names.mutex);
    mayFlow = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    waiting = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!heldMutex || !mayFlow || !waiting || !stopEvent) {
        // Without a server, the name would only keep later starts waiting.
        if (heldMutex) CloseHandle(heldMutex);
        heldMutex = nullptr;
        return false;
    }
    InitializeCriticalSection(&lock);
    InitializeCriticalSection(&endLock);
    deliverHandOver = deliver;
    serving = true;
    if (startThread(listenThread) && startThread(deliverThread)) return true;
    stopTakingHandOvers();
    return false;
}
