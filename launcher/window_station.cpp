#include "window_station.h"

#include <windows.h>

bool WindowStationIsVisible() {
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags;
    DWORD needed = 0;
    if (station == nullptr || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
