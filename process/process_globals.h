// Process-wide values shared by the main sequence (launcher/) and the
// splash window (splash/): the window's dialog procedure runs inside the
// main sequence's calls that take messages, on the window thread. The one
// value the work thread writes (g_nextStageLaunched) is a single byte the
// splash only reads, so nothing is locked.
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
// Set immediately before the next stage is started (on the work thread;
// the splash reads it on the window thread).
extern volatile bool g_nextStageLaunched;

// What the splash tells the run, answered by the main sequence, which sets
// them (null: nothing to answer). The splash's dialog procedure calls them
// on the window thread.
// The user asks to close the splash: the run's work waits while the
// question is open.
extern void (*g_closeAsked)();
// The question is answered: No lets the work go on; Yes abandons the run,
// which ends the process at once while nothing exists to undo, and
// otherwise stops the work to undo it. Without an answerer, Yes ends the
// process with kExitAbandoned.
extern void (*g_closeAnswered)(bool abandon);
// The session is ending (the user logs off, the machine shuts down): undo
// what the run's work has made and end the process, or return when there
// is nothing to undo.
extern void (*g_sessionEnding)();

#endif
