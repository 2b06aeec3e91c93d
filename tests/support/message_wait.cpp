#include "message_wait.h"

namespace {
const DWORD kConditionPollMs = 10;
}  // namespace

bool WaitDispatching(HANDLE handle, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return handle != nullptr && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        DWORD result = MsgWaitForMultipleObjects(handle != nullptr ? 1 : 0, &handle, FALSE, milliseconds - elapsed,
                                                 QS_ALLINPUT);
        if (handle != nullptr && result == WAIT_OBJECT_0) return true;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return condition();
        DWORD left = milliseconds - elapsed;
        WaitDispatching(nullptr, left < kConditionPollMs ? left : kConditionPollMs);
    }
}
