// Files a launcher carries (its Java runtime, and its included files where
// the product asks), copied once for each content into a folder of the
// user's and checked at each start by the sizes of the files.
#pragma once
#include <windows.h>

// Makes the files of `module` whole in <root>\<first 16 digits of hash>,
// unless they are whole there already, in which case nothing is written:
// the resources <prefix>0, <prefix>1, ... of `type`, as <prefix>INDEX lists
// them. A copy is made in a sibling folder and renamed into place, so that
// a start never sees half of one; `permille` follows the copy. `home`
// (TEXT_CAP) receives the folder. With `checkBytes`, a copy counts as whole
// only when its bytes give the hash. 0, or the code of message 1013.
int installCopy(HMODULE module, const char* type, const char* prefix, const char* root, const char* hash, char* home,
                volatile LONG* permille, bool checkBytes);

// Deletes the folders of other contents below root that nothing holds, and
// copies left unfinished an hour ago or more; failures are silent.
void removeOtherCopies(const char* root, const char* home);
