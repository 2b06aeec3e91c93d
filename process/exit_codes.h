// The exit codes of setup.exe, the one list of them; the README's table of
// exit codes follows this one.
#ifndef TESSAROVEN_EXIT_CODES_H
#define TESSAROVEN_EXIT_CODES_H

enum LauncherExit {
    // The next stage was started, or a setup window was already open (it was
    // brought to the front).
    kExitLaunched = 0,
    // The user closed the splash window and confirmed abandoning the setup;
    // nothing had been created, nothing was started.
    kExitAbandoned = 0,
    // The temporary folder's drive has too little free space (after the message).
    kExitNoSpace = 1,
    // The clean-up script or the unpacking failed: the user saw the failure
    // report, everything the run created was removed, nothing was started.
    kExitPreparationFailed = 2,
};

#endif
