// The records that the application appends to the communication file: a
// type byte, its text, and "|". The parent keeps what it read in one fixed
// buffer and parses complete records from it.
#pragma once
#include <cstddef>

enum { COMM_CAP = 32768 };
// The child's own records: the start failed, written before it shows any
// message, whatever window the user now sees; the options files the VM is
// given (their paths), before it is created; the application runs (the VM
// is up and its class about to be loaded); an exception
// came out of main (its words); the child asks the user a question, and
// its window is no window of the application's until it has the answer. The
// heads O and U take their text and a "|" behind it.
enum {
    RECORD_STATUS = 'M',
    RECORD_READY = 'Q',
    RECORD_START_FAILED = 'F',
    RECORD_OPTION_FILES = 'O',
    RECORD_APPLICATION_RUNS = 'R',
    RECORD_MAIN_THREW = 'U',
    RECORD_ASKING = 'K',
};
extern const char START_FAILED_RECORD[];
extern const char OPTION_FILES_RECORD[];
extern const char APPLICATION_RUNS_RECORD[];
extern const char MAIN_THREW_RECORD[];
extern const char ASKING_RECORD[], ANSWERED_RECORD[];

struct CommBuffer {
    char data[COMM_CAP];  // bytes read so far, behind them a zero byte
    int length;
    int parsePos;         // first byte of the next unparsed record
    bool blind;           // a zero byte was read: nothing behind it is acted upon
    bool skipping;        // dropping the rest of a record too long for the buffer
};

void resetComm(CommBuffer* comm);

// Makes room for the next read and returns where it goes and how much fits.
// Parsed records are dropped from the front first, so an application may
// write for hours; a single record that fills the whole buffer is dropped.
char* commReadPosition(CommBuffer* comm, size_t* room);
// Takes note of n bytes that a read put at the read position.
void commAppended(CommBuffer* comm, size_t n);

// The next complete record: its type byte and its zero-terminated text
// (which lives in the buffer until the next read). False when none is
// complete yet.
bool nextCommRecord(CommBuffer* comm, char* type, const char** text);
