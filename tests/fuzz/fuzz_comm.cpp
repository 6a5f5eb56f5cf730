// The communication file read in chunks of any size: no record may act
// once a zero byte has been read, whatever state the buffer was in (a
// record too long for it included), and nothing is read or written outside it.
#include <cstdint>
#include <cstring>
#include <memory>

#include "supervise/comm_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first byte picks one of a few chunk sizes and, for one input in
    // eight, repeats the input once past the buffer's size, so that it
    // overflows into skip mode. Every read parses what is pending, so a long
    // input is read in at most eight parts: bounded work per input keeps the
    // search fast.
    static const size_t CHUNKS[] = {1, 13, 97, 4096};
    bool overflow = (data[0] & 0xE0) == 0xE0;
    size_t total = overflow ? COMM_CAP + size - 1 : size - 1;
    size_t chunk = CHUNKS[data[0] & 3];
    if (chunk < total / 8) chunk = total / 8;
    static std::unique_ptr<CommBuffer> comm(new CommBuffer);
    resetComm(comm.get());
    bool zeroSeen = false;
    for (size_t at = 0; at < total;) {
        size_t room = 0;
        char* to = commReadPosition(comm.get(), &room);
        if (room == 0) break;
        bool zeroBefore = zeroSeen;
        size_t n = chunk < room ? chunk : room;
        if (n > total - at) n = total - at;
        // The input again and again, copied a run at a time.
        for (size_t i = 0; i < n;) {
            size_t from = (at + i) % (size - 1), run = size - 1 - from;
            if (run > n - i) run = n - i;
            memcpy(to + i, data + 1 + from, run);
            i += run;
        }
        if (memchr(to, '\0', n)) zeroSeen = true;
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
