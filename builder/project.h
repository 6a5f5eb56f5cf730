// The project file: a product's launcher described in TOML.
#pragma once
#include <string>

#include "launcher.h"
#include "unpack.h"

// A whole file; false when it cannot be read to its end.
bool readWholeFile(const std::string& path, std::vector<uint8_t>* out);

// The machines a launcher is built for: the project's name for each, the
// image's machine field, and the words that name its Windows to the user.
struct Arch {
    const char* name;
    uint16_t machine;
    const char* words;
};
extern const Arch ARCHES[3];
// Null for a name or machine that no launcher is built for.
const Arch* archNamed(const std::string& name);
const Arch* archOfMachine(uint16_t machine);

struct Project {
    std::string arch;  // one of ARCHES' names
    LauncherPlan plan;
    bool errorLogGiven = false;  // logs.error_log stands in the project
    // What builds, but not as the user may think: "<file>:<line>: <key>: <why>".
    std::vector<std::string> warnings;
};

// Reads the project file and every file it names (relative to its folder).
// On error, the message names the file, the line and the key, and what was
// expected.
bool loadProject(const std::string& path, Project* out, std::string* error);

// "windows" or "console" (false for anything else): the project's key, or
// the command line's --subsystem over it; then finishProject again.
bool chooseSubsystem(const std::string& name, Project* project);
// What follows from the rest: a console launcher (or one with console =
// true) without a word on the error log has none, so that standard error
// stays the console's.
void finishProject(Project* project);

// A project file that builds the same launcher again: its strings by their
// names where the name's kind holds the value exactly, else in [strings].
// The files it was built from stand under the keys that give them, by the
// names writeRecovered gives them. `defaults` is the table a new project
// starts from.
std::string printProject(const std::string& arch, bool console, const std::map<unsigned, std::string>& strings,
                         const std::map<unsigned, std::string>& defaults, const Recovered& files);
