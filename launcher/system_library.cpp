#include "system_library.h"

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

void* ModuleFunctionAddress(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
