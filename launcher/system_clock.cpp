#include "system_clock.h"

#include <windows.h>

#include <string.h>

void* LoadSystemLibrary(const char* name) {
    // Where the loader knows the flag, it searches the system folder alone.
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr) return module;
    // Older systems reject the flag: name the file by its full path instead.
    char path[MAX_PATH];
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = strlen(name);
    if (n == 0 || n + 1 + nameLength >= MAX_PATH) return nullptr;
    path[n] = '\\';
    memcpy(path + n + 1, name, nameLength + 1);
    return LoadLibraryA(path);
}

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
