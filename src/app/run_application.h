// The application in the child: the VM created in this process and the
// configured class's main run on a thread of its own, as the JDK's launcher
// runs it.
#pragma once
#include <cstddef>

// What the caller is told of the application's course.
struct ApplicationEnds {
    // Where the VM cannot be loaded or created, or ends or aborts before
    // main: ends the process with the message of the VM's source.
    void (*failToStart)();
    // Just before the VM is created.
    void (*vmStarts)();
    // The VM is up, and the application's class is about to be loaded:
    // from here an end of the process is the application's own.
    void (*applicationRuns)();
    // An exception came out of main: its words (its toString), before the
    // application's handler is given it.
    void (*mainThrew)(const char* words);
    // The VM crashed before main and wrote its report there: ends the
    // process with a message that says so.
    void (*crashedInStart)(const char* report);
};

// Returns the process's exit code when main has returned and the VM is
// destroyed: 0, or 1 where main left an exception, as under java.exe. The
// first `optionCount` of the user's words are VM options (-J).
unsigned runApplication(const char* javaPath, const char* commFile, const char* extractDir, const char* userArgs,
                        size_t optionCount, const ApplicationEnds& ends);
// Whether the VM's library would not load, or exports no JNI_CreateJavaVM:
// the files themselves are at fault, not the options.
bool vmLibraryRefused();
