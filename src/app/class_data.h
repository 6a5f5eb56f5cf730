// Class-data sharing managed for the user: an archive of the application's
// classes for each Java, class path and layout, in the user's local data.
#pragma once
#include "files/string_list.h"

// Appends the options for this start's archive, where the product asks for
// one, the Java and the process can map one, and no layer of options
// manages sharing itself; returns how many it appended. Old archives beyond
// the three last used go, none that a running start uses.
size_t addClassDataSharing(StringList* options, const char* javaPath, unsigned javaFeature, const char* extractDir);
