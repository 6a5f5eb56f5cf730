// Another program of the user that sends a hand-over to an instance's pipe:
//   pipe_client PIPE FOLDER WORD...
// Ends with the instance's answer ('A' taken, 'N' refused), 1 where the pipe
// would not open, 2 where no answer came.
#include <windows.h>

#include "files/wide.h"
#include "supervise/instance_pipe.h"
#include "supervise/instance_text.h"

int main(int argc, char** argv) {
    if (argc < 3) return 3;
    StringList words = {nullptr, 0, 0};
    for (int i = 3; i < argc; ++i) addString(&words, argv[i]);
    static unsigned char message[HAND_OVER_MAX];
    size_t dropped = 0;
    DWORD length = (DWORD)encodeHandOver(argv[2], &words, message, sizeof message, &dropped);
    wchar_t name[256];
    if (!toWide(argv[1], name, 256)) return 3;
    HANDLE pipe = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                              nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return 1;
    ULONGLONG deadline = GetTickCount64() + 5000;
    DWORD done = 0;
    char answer = 0;
    bool sent = pipeTransfer(pipe, true, message, length, &done, deadline) == PIPE_IO_DONE;
    bool answered = sent && pipeTransfer(pipe, false, &answer, 1, &done, deadline) == PIPE_IO_DONE && done == 1;
    CloseHandle(pipe);
    return answered ? answer : 2;
}
