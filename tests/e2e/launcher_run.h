// One run of the real launcher with the demo next stage: the temporary
// folder it gets, the folder the next stage records into, and the two
// events through which the driver learns that the next stage has started
// and lets it go on to the clean-up script.
#ifndef TESSAROVEN_TESTS_E2E_LAUNCHER_RUN_H
#define TESSAROVEN_TESTS_E2E_LAUNCHER_RUN_H

#include <windows.h>

#include <string>

#include "e2e_support.h"

extern const char kSetupWindowClass[];
extern const char kSetupWindowTitle[];

// The open setup window, if any (the single-instance test's target).
HWND FindSetupWindow();

class LauncherRun {
public:
    // temp ends in a backslash; it becomes TEMP and TMP of the launcher.
    // With holdCleanup the next stage waits for ReleaseCleanup (or 30 s)
    // before it runs the script. Unelevated by default: only an unelevated
    // launcher takes its temporary folder from TEMP and TMP; AsIs starts it
    // elevated, as its manifest asks.
    LauncherRun(const std::string& temp, const std::string& record, bool holdCleanup,
                Elevation elevation = Elevation::Unelevated);
    // Lets a held next stage go on and waits for the setup window to close,
    // so that the next run is not taken for a second instance.
    ~LauncherRun();
    LauncherRun(const LauncherRun&) = delete;
    LauncherRun& operator=(const LauncherRun&) = delete;

    EnvironmentBlock& Environment() { return environment_; }
    // Starts the launcher named in the settings (or program, a copy of it)
    // with the tail after its name; false when it could not be started,
    // Launcher().Failure() says why.
    bool Start(const std::string& tail, const std::string& program = Settings().launcher) {
        return Start(tail, Wide(program));
    }
    bool Start(const std::string& tail, const std::wstring& program);
    // Starts program (a launcher) with a command line written by the caller.
    bool StartCommandLine(const std::string& program, const std::string& commandLine);
    ChildProcess& Launcher() { return launcher_; }
    // True once the next stage has written its record.
    bool WaitForNextStage(DWORD milliseconds);
    // The event the next stage sets then; owned by this object.
    HANDLE ReadyEvent() const { return ready_; }
    void ReleaseCleanup();
    // A record file of the next stage; found tells whether it exists.
    std::string Recorded(const char* name, bool* found = nullptr) const;
    // True once the next stage has started the script and the script is gone.
    bool WaitForCleanup(const std::string& script, DWORD milliseconds) const;

private:
    std::string record_;
    Elevation elevation_;
    EnvironmentBlock environment_;
    HANDLE ready_ = nullptr;
    HANDLE hold_ = nullptr;
    ChildProcess launcher_;
};

#endif
