#pragma once

// Creates the VM in this process and runs the application's main; false
// when the VM cannot be created.
bool runApplication(const char* javaPath, const char* commFile, const char* extractDir, const char* userArgs);
