#include "app/run_application.h"

// Starting a VM is not possible yet; the caller reports it by the source.
bool runApplication(const char*, const char*, const char*, const char*) { return false; }
