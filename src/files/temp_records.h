// This run's temporary files and directories, recorded in the registry when
// the process ends and deleted by a later start once nothing holds them.
#pragma once

void addTempFile(const char* path);
void addTempDir(const char* path);
void recordTempPaths();
void recordForDeletion(const char* path, const char* valueName);
void cleanupTempRecords();
bool canOpenExclusively(const char* path);
