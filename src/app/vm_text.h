// Texts handed to the VM. A VM reads its option strings in the system's
// ANSI code page, as java.exe leaves it (older VMs read them in the legacy
// code page of the system's locale whatever a manifest says): each text is
// converted to it, and one that cannot be expressed there is never passed
// garbled.
#pragma once
#include <cstddef>

#include "files/string_list.h"

// The option's text for the VM, allocated; nullptr when a character cannot
// be expressed in the code page.
char* vmText(const char* utf8);
// The same with "?" for a character that cannot be expressed.
char* vmTextLossy(const char* utf8);
// Appends a path for the VM: as it is, else by its short (8.3) name; ends
// the child with a message naming the path when neither can be expressed.
void appendVmPath(GrowText* out, const char* path);
// main's words reach NewStringUTF as modified UTF-8, allocated.
char* javaStringText(const char* utf8);
