// Whether anybody can see the launcher's windows: a service, or SYSTEM in
// session 0, runs on a window station no user sees, where a message box
// could never be answered and the run would hang until the deployment
// tool's time-out.
#ifndef TESSAROVEN_WINDOW_STATION_H
#define TESSAROVEN_WINDOW_STATION_H

#include "launcher_options.h"

// True when the process's window station is visible, or when that cannot
// be told (the launcher then behaves as it always has); false when it is
// known not to be.
bool WindowStationIsVisible();

// Whether a run with options shows no window and no box: /quiet, or nobody
// could see them.
inline bool RunsQuietly(const LauncherOptions& options) { return options.quiet || !WindowStationIsVisible(); }

#endif
