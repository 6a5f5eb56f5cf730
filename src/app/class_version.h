// The version of a class file as the class path holds it, read without the
// VM: from a folder, or from a jar's entry, stored or deflated.
#pragma once

// The major version of `internalName` ("a/b/C") in the first entry of the
// VM's class path text (";" between entries, in the VM's code page) that
// holds it; 0 where none does, or it cannot be read.
unsigned classMajorOnPath(const char* classPath, const char* internalName);
