#include "splash_window.h"

#include "launcher_globals.h"

// The picture and its dialog are not part of the launcher yet: the launcher
// runs without a window, exactly as when the window cannot be created.
HWND CreateSplashWindow() {
    g_splashPaintPending = 0;
    g_splashOpen = 0;
    return nullptr;
}
