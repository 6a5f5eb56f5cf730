// This run's temporary files and directories, recorded in the registry when
// the process ends and deleted by a later start once nothing holds them.
#pragma once

void addTempFile(const char* path);
void addTempDir(const char* path);
void recordTempPaths();
void recordForDeletion(const char* path, const char* valueName);
// `inUse` tells of a recorded folder that a running start still needs.
void cleanupTempRecords(bool (*inUse)(const char* folder));
bool canOpenExclusively(const char* path);
