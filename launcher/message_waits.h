// The launcher's waits on its one window thread: every message that comes
// is taken and dispatched, so that the splash paints and answers, and the
// thread sleeps in between: no polling loop, no processor time while
// nothing happens.
#ifndef TESSAROVEN_MESSAGE_WAITS_H
#define TESSAROVEN_MESSAGE_WAITS_H

#include <windows.h>

// How a wait ended.
enum class WaitEnd { Done, Signalled, TimedOut };

// Takes and dispatches this thread's messages until done() holds (null:
// never), handle is signalled (null: none) or milliseconds have passed
// (INFINITE: no limit); done() is asked after each batch of messages and
// at the start. Returns which came first.
WaitEnd WaitTakingMessages(bool (*done)(), HANDLE handle, DWORD milliseconds);

#endif
