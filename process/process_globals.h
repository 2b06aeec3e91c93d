// Process-wide values shared by the main sequence (launcher/) and the
// splash window (splash/): the window's dialog procedure runs inside the
// main sequence's calls that take messages, on the one thread, so plain
// values serve and nothing is locked.
#ifndef TESSAROVEN_PROCESS_GLOBALS_H
#define TESSAROVEN_PROCESS_GLOBALS_H

#include <windows.h>

// The launcher's module instance, stored first thing at start; the splash
// loads its template, picture and icon from it.
extern HINSTANCE g_instance;
// Non-zero until the splash window has painted once.
extern int g_splashPaintPending;
// Non-zero until the splash window has ended after the launch.
extern int g_splashOpen;
// Set immediately before the next stage is started.
extern bool g_nextStageLaunched;
// What the user's confirmed close of the splash does, set by the main
// sequence (null: end the process with kExitAbandoned). Called by the
// splash's dialog procedure; does not return.
extern void (*g_abandonRun)();

#endif
