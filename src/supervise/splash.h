// The splash window. Until a product asks for one, nothing is created and
// both calls do nothing.
#pragma once

void showSplash(int showCommand);
void setSplashStatus(const char* text);
