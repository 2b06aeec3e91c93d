// Loading a DLL from the system folder only.
#ifndef TESSAROVEN_SYSTEM_LIBRARY_H
#define TESSAROVEN_SYSTEM_LIBRARY_H

// Loads the DLL called name (for example "winmm.dll") from the system
// folder alone, never from the folder the launcher was downloaded to, and
// returns its module handle; null when it is not there. The module stays
// loaded for the life of the process.
void* LoadSystemLibrary(const char* name);

#endif
