#include "launcher/state.h"

HINSTANCE appInstance = nullptr;
char flavourLetter = '\0';
