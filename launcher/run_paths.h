// Who runs and the 8-bit paths a run works with and hands on, read once,
// before anything is created.
#ifndef TESSAROVEN_RUN_PATHS_H
#define TESSAROVEN_RUN_PATHS_H

#include "ansi_path.h"
#include "qv_string.h"
#include "run_account.h"

struct RunPaths {
    TokenAccount token;
    QvString launcher;    // names the launcher's file, which carries the archives
    QvString tempFolder;  // where the run works; ends in a backslash
};

// Reads the process's account and the launcher's own path (module's file)
// and chooses the temporary folder (temp_folder.h) into *run. Returns null,
// or the report of why not (static text, valid until the next report) when
// no 8-bit path names the launcher's file, its path or the account cannot
// be read, an elevated run's folder cannot be used or memory runs out.
// Copying the launcher to a plain folder instead would double the disk use
// past the free-space test and hand the next stage a file in a folder the
// clean-up deletes.
const char* ReadRunPaths(void* module, const PathQueries& paths, RunPaths* run);

#endif
