// Milliseconds since the system started, from the multimedia library,
// which is loaded from the system folder only (never from the folder the
// launcher was downloaded to).
#ifndef TESSAROVEN_SYSTEM_CLOCK_H
#define TESSAROVEN_SYSTEM_CLOCK_H

#include <stdint.h>

// timeGetTime of the multimedia library; GetTickCount where that library
// cannot be loaded from the system folder.
uint32_t SystemMilliseconds();

// Loads the DLL called name (for example "winmm.dll") from the system
// folder alone; null when it is not there. The module stays loaded.
void* LoadSystemLibrary(const char* name);

#endif
