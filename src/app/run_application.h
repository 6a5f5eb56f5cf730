// The application in the child: the VM created in this process and the
// configured class's main run on a thread of its own, as the JDK's launcher
// runs it.
#pragma once
#include <cstddef>

// Returns when main has returned and the VM is destroyed. Where the VM
// cannot be loaded or created, or ends or aborts before main, it calls
// failToStart, which ends the process with the message of the VM's source.
// mainThrew is called when an exception comes out of main, before the
// application's handler is given it.
void runApplication(const char* javaPath, const char* commFile, const char* extractDir, const char* userArgs,
                    void (*failToStart)(), void (*mainThrew)());
// What the VM printed before main, UTF-8, with no last line break; for the
// failure's message.
size_t vmStartWords(char* dst, size_t cap);
