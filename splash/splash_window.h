// The splash window shown while the launcher works.
#ifndef TESSAROVEN_SPLASH_WINDOW_H
#define TESSAROVEN_SPLASH_WINDOW_H

#include <windows.h>

// Creates the splash window and returns its handle, or null when there is
// none; without a window it clears g_splashPaintPending and g_splashOpen so
// that the main sequence does not wait for one.
HWND CreateSplashWindow();

#endif
