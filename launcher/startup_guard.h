// The C run-time's start-up copies the program's arguments before WinMain
// runs and does not check that it got the memory for them: without it, the
// process would end in an access violation without a word. A filter set
// before that copy turns such an end into the failure report (out of
// memory, naming the launcher's file) and the exit code
// kExitPreparationFailed; nothing has been created at that point.
#ifndef TESSAROVEN_STARTUP_GUARD_H
#define TESSAROVEN_STARTUP_GUARD_H

// Ends the guard; WinMain calls it first thing. From then on the launcher's
// own handling reports its failures.
void EndStartupGuard();

#endif
