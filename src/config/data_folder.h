// The product's own folder below the user's application data, for what the
// launcher may not write beside itself.
#pragma once
#include <cstddef>

// %<variable>%\<data folder>\ (LOCALAPPDATA or APPDATA), made where it is
// missing when `create`. The data folder is string 149, else the product's name, else
// "tarvo"; one that is no plain folder name is replaced by "tarvo" too.
// False when the variable is not set or the folder cannot be made.
bool userDataFolder(const char* variable, char* dst, size_t cap, bool create = true);
