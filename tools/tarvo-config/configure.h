// Writing configuration strings into a copy of the launcher template.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "string_block.h"

// Reads every string of an executable's string table, in the ANSI code page.
bool readConfiguration(const std::string& exe, std::map<unsigned, std::string>* out, std::string* error);
// Copies `in` to `out` (unless they are the same file) and applies the
// changes to the copy's string table.
bool configureLauncher(const std::string& in, const std::string& out, const std::vector<ConfigChange>& changes,
                       std::string* error);
