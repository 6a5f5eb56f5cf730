// The child-mode line: composed from any paths and tail, it must read back
// to the same values; any tail must parse without leaving the buffers.
#include <cstdint>
#include <cstring>
#include <string>

#include "errors/message_text.h"
#include "files/text.h"
#include "launcher/cmdline_text.h"
#include "supervise/comm_text.h"

static CommBuffer comm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* s = text.c_str();
    char a[TEXT_CAP], b[TEXT_CAP];
    const char* at;
    if (readQuotedParamText(argumentTail(s), a, sizeof a, &at) == PARAM_OK)
        readQuotedParamText(at, b, sizeof b, &at);

    // Paths never hold quotes of the stand-in character; tails may hold anything.
    std::string comm1 = text.substr(0, text.size() / 2), tail = text.substr(text.size() / 2);
    for (char& c : comm1)
        if (c == '*' || c == '\'' || c == '\0') c = '_';
    std::string line(64 + comm1.size() + strlen(tail.c_str()), '\0');
    if (composeChildCommandLine(&line[0], line.size(), "x.exe", 5, comm1.c_str(), "", tail.c_str())) {
        if (readQuotedParamText(line.c_str(), a, sizeof a, &at) != PARAM_OK || comm1.compare(0, strlen(a), a) != 0)
            __builtin_trap();
    }

    char msg[64] = "The %X% thing %X%";
    substitutePlaceholder(msg, sizeof msg, "%X%", s);

    resetComm(&comm);
    size_t room;
    char* to = commReadPosition(&comm, &room);
    size_t n = size < room ? size : room;
    memcpy(to, data, n);
    commAppended(&comm, n);
    char type;
    const char* rec;
    while (nextCommRecord(&comm, &type, &rec)) {
    }
    return 0;
}
