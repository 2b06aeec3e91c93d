// The run's work after the free-space test, on the work thread
// (background_work.h): the names, the clean-up script, the unpacking and
// the start of the next stage, and undoing all of it when anything fails
// or the run is stopped.
#ifndef TESSAROVEN_PREPARATION_H
#define TESSAROVEN_PREPARATION_H

#include <windows.h>

#include "failure_report.h"
#include "run_log.h"
#include "run_paths.h"

struct Preparation {
    // In: where and as whom the run works, the tail for the next stage, the log.
    const RunPaths* paths = nullptr;
    const char* nextStageTail = "";
    RunLog* log = nullptr;

    // Out: launched, with the next stage's process (its handles the
    // caller's to close); or stopped by the window thread; or failed, with
    // failure filled in. When not launched, what the run created was
    // removed again, and what could not be is named in failure.
    bool launched = false;
    bool stopped = false;
    PROCESS_INFORMATION nextStage = {};
    RunFailure failure;
};

// Reserves the names, writes the clean-up script, unpacks the archives and
// starts the next stage from the working folder, by its full path, so that
// no program of the same name elsewhere (next to the downloaded launcher,
// say) can stand in for it. From the start on, what the run created stays,
// the working folder let go and left: removing it is the script's task.
// Lets no exception out. module carries the archives.
void PrepareAndLaunch(void* module, Preparation* preparation);

#endif
