#include "dll_search.h"

#include <windows.h>

#include "system_library.h"

void RestrictDllSearch() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    SetDefaultDllDirectoriesFn setDefault =
        ModuleFunction<SetDefaultDllDirectoriesFn>(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Where that call is missing, at least the current folder leaves the search.
    SetDllDirectoryA("");
}
