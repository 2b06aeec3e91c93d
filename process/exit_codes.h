// The exit codes of setup.exe, the one list of them; the README's table of
// exit codes follows this one.
#ifndef TESSAROVEN_EXIT_CODES_H
#define TESSAROVEN_EXIT_CODES_H

enum LauncherExit {
    // The next stage was started, or a setup window was already open (it was
    // brought to the front), or another launcher was at work.
    kExitLaunched = 0,
    // The user closed the splash window and confirmed abandoning the setup;
    // nothing was left behind, nothing was started.
    kExitAbandoned = 0,
    // The temporary folder's drive has too little free space (after the message).
    kExitNoSpace = 1,
    // The clean-up script or the unpacking failed: the user saw the failure
    // report, everything the run created was removed, nothing was started.
    kExitPreparationFailed = 2,
    // With /wait, what the user's abandon at the splash ends with: the code
    // deployment tools know as "the user cancelled the installation".
    kExitUserCancelled = 1602,
    // With /wait or /quiet, or where nobody can see a window: another
    // installation of the application is in progress (its setup window is
    // open, or another launcher holds the machine's lock); nothing was done.
    // Deployment tools try again later.
    kExitAnotherInstallation = 1618,
};

#endif
