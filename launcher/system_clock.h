// Milliseconds since the system started.
#ifndef TESSAROVEN_SYSTEM_CLOCK_H
#define TESSAROVEN_SYSTEM_CLOCK_H

#include <stdint.h>

// timeGetTime of the multimedia library, loaded from the system folder
// only (system_library.h); GetTickCount where that library is not there.
uint32_t SystemMilliseconds();

#endif
