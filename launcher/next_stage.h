// The launch of the next stage: its command line, its start from the
// working folder, and the wait until it is up.
#ifndef TESSAROVEN_NEXT_STAGE_H
#define TESSAROVEN_NEXT_STAGE_H

#include <windows.h>

// The next stage's command line, to be formatted with the program's name
// (kNextStageProgram), the launcher's file, the clean-up script and the
// command tail, in that order. It names Wnd twice, as the next stage reads it.
inline const char kNextStageCommandFormat[] =
    "%s TVSetup SetupProgram=TVMirva Basic=Yes Wnd=Normal Server=None Wnd=Maximized "
    "ResourceFile=\"%s\" CleanUp=\"%s\" %s";

// Starts program (a full path) with commandLine, which CreateProcessA may
// write into, in folder, shown normally; true with process filled once it
// runs (the caller closes its handles), false with the platform's error
// left for GetLastError.
bool StartNextStage(const char* program, char* commandLine, const char* folder, PROCESS_INFORMATION* process);

// Waits, as WinExec does, until the started process first waits for input
// (its window is up) or has ended, for at most 30 s, so that the splash
// stays until there is something else to see. Messages sent to this
// thread's windows meanwhile are answered, so that a program that sends to
// the splash while it starts is not kept waiting; nothing is taken from the queue.
void WaitUntilInputIdle(HANDLE process);

#endif
