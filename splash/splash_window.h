// The splash window shown while the launcher works: a modeless dialog that
// shows the setup picture, tells the main sequence when it has painted and
// when it has ended after the launch, and lets the user abandon the setup.
#ifndef TESSAROVEN_SPLASH_WINDOW_H
#define TESSAROVEN_SPLASH_WINDOW_H

#include <windows.h>

#include "splash_resource_ids.h"

// The window of the last CreateSplashWindow, null when it failed.
extern HWND g_splashWindow;
// The loaded picture (see dib_loader.h); null before loading, when there is
// none, and once the cancel command has released it.
extern BITMAPINFOHEADER* g_splashBitmap;
// The picture's palette, selected at every paint; null when there is none
// and once the window has deleted it.
extern HPALETTE g_splashPalette;

// Creates the splash window from template kSplashTemplateId of g_instance, sized to the
// picture and centred on the primary screen, visible, and returns it. When
// it cannot be created it clears g_splashPaintPending and g_splashOpen, so
// that the main sequence waits for neither, and returns null.
HWND CreateSplashWindow();

// The dialog procedure of the splash window: TRUE for the messages it
// handles (initialisation, paint, close, focus loss, commands), FALSE for
// the rest, which get the default dialog handling.
INT_PTR CALLBACK SplashDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
