// One run of the launcher with the fault DLL inside: started suspended in a
// job of its own, the plan put where the DLL finds it, the DLL loaded by a
// thread started in the launcher, and then let go.
#ifndef TESSAROVEN_TESTS_FAULTS_INJECTED_LAUNCH_H
#define TESSAROVEN_TESTS_FAULTS_INJECTED_LAUNCH_H

#include <windows.h>

#include <string>

#include "e2e_support.h"
#include "fault_plan.h"

class InjectedLaunch {
public:
    InjectedLaunch() = default;
    // Ends whatever of the run still runs and releases it all.
    ~InjectedLaunch();
    InjectedLaunch(const InjectedLaunch&) = delete;
    InjectedLaunch& operator=(const InjectedLaunch&) = delete;

    // Starts program with commandLine and environment, elevated or not as
    // asked, loads dll into it with plan and lets it run; false with the
    // reason when any step fails (the process is ended again then).
    bool Start(const std::string& program, const std::string& commandLine, const EnvironmentBlock& environment,
               Elevation elevation, const std::string& dll, const FaultPlan& plan, std::string* error);

    DWORD ProcessId() const { return id_; }
    // True once every process of the run (the launcher and all it started,
    // down to the clean-up script's) has ended.
    bool TreeEnded() const;
    // True once the launcher itself has ended.
    bool LauncherEnded() const;
    DWORD ExitCode() const;
    // How many processes the run has started, the launcher included.
    DWORD ProcessesStarted() const;
    // What the DLL saw; valid while this object lives.
    const FaultRecord& Record() const { return shared_->record; }

private:
    HANDLE job_ = nullptr;
    HANDLE mapping_ = nullptr;
    FaultShared* shared_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

#endif
