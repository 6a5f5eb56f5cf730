// What the two sides of the single instance share: who an instance is, the
// names that follow from it, and one bounded transfer on the pipe.
#pragma once
#include <windows.h>

#include "files/text.h"

// The program's long full path in lower case (a start through a short name
// or in another case is the same program), its user, session and level.
struct InstanceIdentity {
    char program[TEXT_CAP];
    char userSid[200];
    DWORD session;
    bool elevated;
};

// False when the process's image or token cannot be read: no identity to
// trust.
bool processIdentity(HANDLE process, DWORD processId, InstanceIdentity* out);
bool ownIdentity(InstanceIdentity* out);
bool sameIdentity(const InstanceIdentity* a, const InstanceIdentity* b);

struct InstanceNames {
    wchar_t pipe[64];
    wchar_t mutex[64];
};
void instanceNames(const InstanceIdentity* who, InstanceNames* names);

// The server's one-byte answers, and the pause between two tries.
static const char HAND_OVER_TAKEN = 'A', HAND_OVER_REFUSED = 'N';
enum { PIPE_RETRY_MS = 50 };

enum PipeIo { PIPE_IO_DONE, PIPE_IO_MORE, PIPE_IO_FAILED };

// One read or write on an overlapped pipe, given up at the deadline or when
// `alsoEnd` (optional) is signalled. A message read in part is PIPE_IO_MORE.
// The transfer's own error is the thread's last error afterwards.
PipeIo pipeTransfer(HANDLE pipe, bool write, void* buffer, DWORD length, DWORD* done, ULONGLONG deadline,
                    HANDLE alsoEnd = nullptr);
