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
// only when its bytes are the launcher's own. 0, or the code of message 1013.
int installCopy(HMODULE module, const char* type, const char* prefix, const char* root, const char* hash, char* home,
                volatile LONG* permille, bool checkBytes);

// For an elevated start that checks its copy while its child starts:
// whether the copy at `home` is whole, its bytes the launcher's own and its
// tree nothing more, each file held as `installCopy` holds it.
bool copyIsCarried(HMODULE module, const char* type, const char* prefix, const char* home);
// Gives `process` a handle of its own to each file held of `type`'s copy,
// so that they stay held after this process ends.
bool giveHeldCopy(const char* type, HANDLE process);

// Deletes below root only what the launcher made there and nothing holds
// (each start that finds its copy whole sets its marker's time as its last
// use): another
// content's copy unused for 30 days, copies left unfinished an hour ago
// or more, and copies set aside. Links are never followed; failures are
// silent.
void removeOtherCopies(const char* root, const char* home);

// The child holds the copy it runs from (its marker, open) for as long as
// it runs: no later start deletes or replaces it meanwhile.
void holdCopy(const char* home);
// A VM that would not start from the copy: the next start copies anew.
void markCopyDamaged(const char* home);
// Whether a folder holds a copy that a running start holds.
bool copiesInUse(const char* folder);
// Whether the copy at `home` holds exactly the files of its index, and no
// link: checked again by an elevated child just before it loads.
bool copyHoldsOnlyItsCode(HMODULE module, const char* type, const char* prefix, const char* home);
