// Shared pieces of the Wine tests: where things are, scratch folders,
// configured launchers and registry clean-up.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include <map>

#include "launcher.h"

// A path below the source or build tree, in Windows form.
std::string sourcePath(const std::string& relative);
std::string buildPath(const std::string& relative);
// Whether this run drives the 32-bit launcher (TARVO_ARCH=x86) rather than
// the 64-bit one.
bool testingX86();
// The launcher template that the tests configure and run, of the
// architecture under test, and the 32-bit product itself.
std::string templatePath();
std::string productPath();
// A stand-in built for the launcher under test, or for the other
// architecture when `foreign`.
std::string standinPath(const std::string& name, bool foreign = false);

// A fresh folder below the temporary folder, removed with everything in it
// when the object goes.
struct ScratchDir {
    explicit ScratchDir(const std::string& hint = "t");
    ~ScratchDir();
    std::string path;  // without a trailing backslash
    std::string operator/(const std::string& name) const { return path + "\\" + name; }
};

// A launcher at `path`, built from the template under test with the given
// configuration lines: "ID=VALUE", "ID~=VALUE" with escapes, "ID" to remove.
// `console`: written for the console subsystem, as a command-line tool.
void makeLauncher(const std::string& path, const std::vector<std::string>& lines = {}, bool console = false);
void makeLauncher(const std::string& path, const LauncherPlan& plan);
// An executable's string table as the launcher reads it (ANSI code page).
bool readConfiguration(const std::string& exe, std::map<unsigned, std::string>* out, std::string* error);

// Runs a program to its end and returns what it wrote to standard output and
// error, with carriage returns dropped.
std::string runCaptured(const std::string& commandLine, const std::string& cwd = "", const char* program = nullptr);

// Only A to Z change, as in the launcher's canonical paths.
std::string lowerCopy(std::string text);

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
void removeTree(const std::string& path);

// A 32-bit launcher sees the 32-bit view of HKLM\SOFTWARE: the flag that
// opens it.
REGSAM registryView();
// Registry helpers below HKEY_LOCAL_MACHINE, in the view of the launcher
// under test.
void deleteRegistryTree(const char* subKey, HKEY root = HKEY_LOCAL_MACHINE);
// Registry text below HKEY_CURRENT_USER; empty when missing.
std::string userValue(const char* subKey, const char* name);
bool readRegistryValue(const char* subKey, const char* name, std::string* data, DWORD* type = nullptr);
void writeRegistryValue(const char* subKey, const char* name, DWORD type, const std::string& data,
                        HKEY root = HKEY_LOCAL_MACHINE);

// Sets an environment variable for the lifetime of the object.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    std::string name, old;
    bool had;
};
