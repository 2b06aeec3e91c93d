// Loading a DLL from the system folder only, and finding a function of a
// loaded one.
#ifndef TESSAROVEN_SYSTEM_LIBRARY_H
#define TESSAROVEN_SYSTEM_LIBRARY_H

// Loads the DLL called name (for example "winmm.dll") from the system
// folder alone, never from the folder the launcher was downloaded to, and
// returns its module handle; null when it is not there. The module stays
// loaded for the life of the process.
void* LoadSystemLibrary(const char* name);

// The address of the function called name that module (a module handle)
// exports; null when it exports none of that name, as on a system older
// than the function.
void* ModuleFunctionAddress(void* module, const char* name);

// The same, as a pointer of the function's type Fn.
template <typename Fn>
Fn ModuleFunction(void* module, const char* name) {
    return reinterpret_cast<Fn>(ModuleFunctionAddress(module, name));
}

#endif
