// Process-wide values shared by the main sequence and the splash window.
#ifndef TESSAROVEN_LAUNCHER_GLOBALS_H
#define TESSAROVEN_LAUNCHER_GLOBALS_H

#include <windows.h>

// The launcher's module instance, stored first thing at start.
extern HINSTANCE g_instance;
// Non-zero until the splash window has painted once.
extern int g_splashPaintPending;
// Non-zero until the splash window has ended after the launch.
extern int g_splashOpen;
// Set immediately before the next stage is started.
extern bool g_nextStageLaunched;

#endif
