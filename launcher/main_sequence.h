// The launcher's run from start to the launch of the next stage.
#ifndef TESSAROVEN_MAIN_SEQUENCE_H
#define TESSAROVEN_MAIN_SEQUENCE_H

#include <windows.h>

#include "ansi_path.h"
#include "exit_codes.h"

// Runs the whole sequence for the module instance and the command-line tail
// (passed on unchanged to the next stage); returns the exit code (LauncherExit).
int RunLauncher(HINSTANCE instance, const char* commandTail);
// The same with the answers about 16-bit paths taken from paths (the
// platform's own in the launcher; a test's stand-ins for answers no test
// machine gives).
int RunLauncher(HINSTANCE instance, const char* commandTail, const PathQueries& paths);

#endif
