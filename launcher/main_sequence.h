// The launcher's run from start to the launch of the next stage.
#ifndef TESSAROVEN_MAIN_SEQUENCE_H
#define TESSAROVEN_MAIN_SEQUENCE_H

#include <windows.h>

// Exit codes of the launcher.
enum LauncherExit {
    kExitLaunched = 0,         // the next stage was started, or a setup window was already open
    kExitNoSpace = 1,          // too little free space on the temporary folder's drive
    kExitPreparationFailed = 2 // the script or the unpacking failed; everything created was removed
};

// Runs the whole sequence for the module instance and the command-line tail
// (passed on unchanged to the next stage); returns the exit code.
int RunLauncher(HINSTANCE instance, const char* commandTail);

// Keeps the DLL search away from the current and the download folder.
void RestrictDllSearch();

#endif
