// The Java runtime a launcher carries, copied once for each content into a
// folder of the user's and checked at each start by the sizes of its files.
#pragma once
#include <windows.h>

// Makes the runtime of `module` whole in <root>\<first 16 digits of hash>,
// unless it is whole there already, in which case nothing is written. A
// copy is made in a sibling folder and renamed into place, so that a start
// never sees half of one; `permille` follows the copy. `home` (TEXT_CAP)
// receives the runtime's folder. 0, or the code of message 1013.
int installRuntime(HMODULE module, const char* root, const char* hash, char* home, volatile LONG* permille);

// Deletes the folders of other runtimes below root that nothing holds, and
// copies left unfinished an hour ago or more; failures are silent.
void removeOtherRuntimes(const char* root, const char* home);
