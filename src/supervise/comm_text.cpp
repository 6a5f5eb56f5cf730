#include "supervise/comm_text.h"

#include <cstring>

const char START_FAILED_RECORD[] = "F|";
const char MAIN_THREW_RECORD[] = "U";
const char APPLICATION_RUNS_RECORD[] = "R|";
const char OPTION_FILES_RECORD[] = "O";
const char ASKING_RECORD[] = "K1|";
const char ANSWERED_RECORD[] = "K0|";

void resetComm(CommBuffer* comm) {
    comm->length = 0;
    comm->parsePos = 0;
    comm->blind = false;
    comm->skipping = false;
    comm->data[0] = '\0';
}

static void dropParsed(CommBuffer* comm) {
    int keep = comm->length - comm->parsePos;
    memmove(comm->data, comm->data + comm->parsePos, (size_t)keep);
    comm->length = keep;
    comm->parsePos = 0;
    comm->data[keep] = '\0';
}

char* commReadPosition(CommBuffer* comm, size_t* room) {
    if (comm->length == COMM_CAP - 1 && comm->parsePos > 0) dropParsed(comm);
    if (comm->length == COMM_CAP - 1 && !comm->blind) {
        // One record without its end fills everything: drop it up to its "|".
        resetComm(comm);
        comm->skipping = true;
    }
    *room = (size_t)(COMM_CAP - 1 - comm->length);
    return comm->data + comm->length;
}

void commAppended(CommBuffer* comm, size_t n) {
    int start = comm->length;
    comm->length += (int)n;
    comm->data[comm->length] = '\0';
    if (memchr(comm->data + start, '\0', n)) comm->blind = true;
    if (!comm->skipping) return;
    char* bar = (char*)memchr(comm->data, '|', (size_t)comm->length);
    if (bar && !comm->blind) {
        comm->parsePos = (int)(bar - comm->data) + 1;
        comm->skipping = false;
        dropParsed(comm);
    } else if (!bar) {
        comm->length = 0;
        comm->data[0] = '\0';
    }
}

bool nextCommRecord(CommBuffer* comm, char* type, const char** text) {
    if (comm->parsePos >= comm->length || comm->skipping) return false;
    char* start = comm->data + comm->parsePos;
    char* bar = strchr(start, '|');  // stops at a zero byte, as a reader of text would
    if (!bar) return false;
    *bar = '\0';
    *type = *start;
    *text = *start ? start + 1 : start;
    comm->parsePos = (int)(bar - comm->data) + 1;
    return true;
}
