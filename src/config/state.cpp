#include "config/state.h"

HINSTANCE appInstance = nullptr;
