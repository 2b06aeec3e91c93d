// Waiting in a test program whose thread owns windows, or answers for
// windows of its own: the thread's messages are dispatched meanwhile, so
// that its windows, and the message boxes they show, keep working.
#ifndef TESSAROVEN_TESTS_MESSAGE_WAIT_H
#define TESSAROVEN_TESTS_MESSAGE_WAIT_H

#include <windows.h>

#include <functional>

// Waits for handle (or only for the time to pass, with a null handle);
// true when the handle was signalled within milliseconds.
bool WaitDispatching(HANDLE handle, DWORD milliseconds);

// Waits for about milliseconds.
inline void PumpFor(DWORD milliseconds) { WaitDispatching(nullptr, milliseconds); }

// Waits until condition holds, asking it at least every 10 ms; returns
// what it answers at the end.
bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds);

#endif
