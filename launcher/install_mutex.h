// One installation at a time on a machine: a lock in the machine-wide
// namespace, which a run of SYSTEM in session 0 and a user's run both see
// (the search for an open setup window sees neither the other session's
// windows nor a launcher that has no setup window yet).
#ifndef TESSAROVEN_INSTALL_MUTEX_H
#define TESSAROVEN_INSTALL_MUTEX_H

#include <windows.h>

// The lock's name, the same for every launcher of the application.
inline const char kInstallMutexName[] = "Global\\Tessaroven.Setup.Launcher";

class InstallMutex {
public:
    enum class State {
        Ours,         // created by this run: no other launcher is at work
        Taken,        // another launcher holds it, or it exists and may not be opened
        Unavailable,  // it could not be created for another reason: no reason to stop
    };

    // Creates the lock (or opens the existing one to learn that it is taken).
    InstallMutex();
    // Lets go of it: the launcher's run owns it from its first step to its
    // last, so that no second launcher gets in before this one has ended.
    ~InstallMutex();
    InstallMutex(const InstallMutex&) = delete;
    InstallMutex& operator=(const InstallMutex&) = delete;

    State GetState() const { return state_; }
    // Unavailable: the Windows error of the creation; otherwise 0.
    unsigned long Error() const { return error_; }

private:
    HANDLE handle_;
    State state_;
    unsigned long error_;
};

#endif
