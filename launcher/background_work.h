// The launcher's work (the self-check, the unpacking and its undoing, the
// start of the next stage) runs on a thread of its own, while the window
// thread keeps the splash answering: a window that takes no messages for
// 5 s is shown as not responding, and a session that ends meanwhile would
// end the process with its files half made. The window thread can hold the
// work between two pieces (while the close question is open) and stop it
// (the user abandons, the session ends); the work asks at each piece.
//
// Only the work thread changes the current folder (folder_path.h): the
// window thread's code uses no relative path meanwhile.
#ifndef TESSAROVEN_BACKGROUND_WORK_H
#define TESSAROVEN_BACKGROUND_WORK_H

#include <windows.h>

// Why the work was told to stop.
enum class StopReason { None, Abandoned, SessionEnding };

// Thrown by WorkCheckpoint when the work is to stop; the work catches it
// and undoes what it made.
struct WorkStopped {
    StopReason reason;
};

// The work thread, between two pieces: waits while the window thread holds
// the work, and throws WorkStopped once it is to stop. One read while
// neither.
void WorkCheckpoint();

// Why the work is to stop; None while it goes on.
StopReason WorkStopReason();

// The window thread: the work waits at its next piece until ReleaseWork.
void HoldWork();
void ReleaseWork();
// The window thread: the work stops at its next piece (throwing
// WorkStopped there); the first reason given stays.
void StopWork(StopReason reason);
// True from the start of RunInBackground until its work has returned.
bool WorkIsRunning();

// Runs work(context) on a thread of its own while this thread takes and
// dispatches its messages, and returns once work has returned. When no
// thread can be started, work runs on this thread instead, as it always
// did (the window then takes no messages meanwhile). work must let no
// exception out.
void RunInBackground(void (*work)(void*), void* context);

// The window thread, inside a handler that must not return before the work
// is done (the session's end): waits up to milliseconds, taking no
// messages, for the running work to return. True when it has, or none ran.
bool WaitForWorkToEnd(DWORD milliseconds);

// Forgets a stop and a hold of an earlier run in this process.
void ResetWork();

#endif
