// The communication file read in chunks of any size: no record may act
// once a zero byte has been read, whatever state the buffer was in (a
// record too long for it included), and nothing is read or written outside it.
#include <cstdint>
#include <memory>

#include "supervise/comm_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the chunk size; long inputs are repeated so that
    // the buffer overflows into skip mode.
    size_t chunk = 1 + data[0] * 97;
    std::unique_ptr<CommBuffer> comm(new CommBuffer);
    resetComm(comm.get());
    bool zeroSeen = false;
    size_t total = size > 1 ? (size - 1) * (1 + COMM_CAP / size) : 0;
    for (size_t at = 0; at < total;) {
        size_t room = 0;
        char* to = commReadPosition(comm.get(), &room);
        if (room == 0) break;
        bool zeroBefore = zeroSeen;
        size_t n = chunk < room ? chunk : room;
        if (n > total - at) n = total - at;
        for (size_t i = 0; i < n; ++i) {
            to[i] = (char)data[1 + (at + i) % (size - 1)];
            if (to[i] == '\0') zeroSeen = true;
        }
        at += n;
        commAppended(comm.get(), n);
        char type;
        const char* text;
        bool gotRecord = false;
        while (nextCommRecord(comm.get(), &type, &text)) gotRecord = true;
        // A record may still come from bytes before the zero in its own
        // chunk; no later chunk may give one.
        if (gotRecord && zeroBefore) __builtin_trap();
    }
    return 0;
}
