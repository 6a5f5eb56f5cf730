// The splash window: a borderless picture with two lines of text, centred on
// the screen, that shows the user at once that the program started.
#pragma once

// Creates the window on first use and shows it, normally whatever show
// command the program was started with: a shortcut set to "Maximized" must
// not stretch a popup over the screen.
void showSplash();
void hideSplash();
// Replaces the status line with UTF-8 text and repaints at once.
void setSplashStatus(const char* text);
// For the child, before it shows an error: hides the splash of the
// launcher that started it.
void hideParentSplash(bool beforeError);
