// The VM option list: the communication file property, the class path, the
// process's name for the tools, the configured options, JDK_JAVA_OPTIONS
// for a Java of 9 or later, and the user's -J words.
#pragma once
#include "files/string_list.h"

// Returns where the arguments for main begin in userArgs, behind its first
// `optionCount` words, the -J options that the parent counted.
const char* buildVmOptions(StringList* list, const char* commFile, const char* extractDir, const char* userArgs,
                           size_t optionCount, unsigned javaFeature);
// The options files that gave the VM options, a line each; empty when none.
const char* optionFilesUsed();
void buildClassPath(GrowText* classPath, const char* extractDir);
bool addArchivesOfDirectory(GrowText* classPath, const char* directory, const char* extension);
// Splits text into the list, ending the process with the wrong-usage
// message when it cannot be split.
const char* splitOrFail(const char* text, const char* prefix, StringList* list);
// Splits the user's words as the Windows C runtime does (they never fail
// to split); returns where the first word not taken begins.
const char* splitUserWords(const char* text, const char* prefix, StringList* list, size_t most = (size_t)-1);
