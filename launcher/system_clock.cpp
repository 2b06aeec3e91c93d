#include "system_clock.h"

#include <windows.h>

#include "system_library.h"

uint32_t SystemMilliseconds() {
    typedef DWORD(WINAPI * TimeGetTimeFn)();
    static TimeGetTimeFn timeGetTimeFn = nullptr;
    static bool looked = false;
    if (!looked) {
        looked = true;
        void* winmm = LoadSystemLibrary("winmm.dll");
        if (winmm != nullptr) timeGetTimeFn = ModuleFunction<TimeGetTimeFn>(winmm, "timeGetTime");
    }
    return timeGetTimeFn != nullptr ? timeGetTimeFn() : GetTickCount();
}
