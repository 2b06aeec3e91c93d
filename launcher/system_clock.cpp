#include "system_clock.h"

#include <windows.h>

#include "system_library.h"

uint32_t SystemMilliseconds() {
    typedef DWORD(WINAPI * TimeGetTimeFn)();
    static TimeGetTimeFn timeGetTimeFn = nullptr;
    static bool looked = false;
    if (!looked) {
        looked = true;
        HMODULE winmm = static_cast<HMODULE>(LoadSystemLibrary("winmm.dll"));
        if (winmm != nullptr)
            timeGetTimeFn = reinterpret_cast<TimeGetTimeFn>(reinterpret_cast<void*>(GetProcAddress(winmm, "timeGetTime")));
    }
    return timeGetTimeFn != nullptr ? timeGetTimeFn() : GetTickCount();
}
