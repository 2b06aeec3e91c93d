#include "message_waits.h"

#include "system_clock.h"

namespace {

void DispatchWaitingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

WaitEnd WaitTakingMessages(bool (*done)(), HANDLE handle, DWORD milliseconds) {
    uint32_t start = SystemMilliseconds();
    for (;;) {
        DispatchWaitingMessages();
        if (done != nullptr && done()) return WaitEnd::Done;
        DWORD left = INFINITE;
        if (milliseconds != INFINITE) {
            uint32_t elapsed = SystemMilliseconds() - start;
            if (elapsed >= milliseconds) return WaitEnd::TimedOut;
            left = milliseconds - elapsed;
        }
        // Wakes for messages already in the queue as well (a paint, say).
        DWORD woke = MsgWaitForMultipleObjectsEx(handle != nullptr ? 1 : 0, &handle, left, QS_ALLINPUT,
                                                 MWMO_INPUTAVAILABLE);
        if (handle != nullptr && woke == WAIT_OBJECT_0) return WaitEnd::Signalled;
        // A wait that fails outright must not turn into a busy loop.
        if (woke == WAIT_FAILED) Sleep(10);
    }
}
