#include "main_sequence.h"

#include <direct.h>

#include <new>

#include "created_files.h"
#include "failure_report.h"
#include "failure_text.h"
#include "free_space.h"
#include "next_stage.h"
#include "payload_archives.h"
#include "process_globals.h"
#include "run_account.h"
#include "qv_string.h"
#include "self_check.h"
#include "splash_window.h"
#include "system_clock.h"
#include "system_paths.h"
#include "temp_folder.h"
#include "unpacking.h"
#include "working_folder_security.h"

namespace {

const char kSetupWindowClass[] = "AfxFrameOrView42";
const char kSetupWindowTitle[] = "Tessaroven Setup";
const DWORD kFinalWaitMs = 5000;

// Takes and dispatches at most one message of any window, without blocking.
void PumpOneMessage() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Brings an open setup window of the application to the front; false when there is none.
bool BringExistingSetupToFront() {
    HWND window = FindWindowA(kSetupWindowClass, kSetupWindowTitle);
    if (window == nullptr) return false;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}

// Creates the splash window and waits until it has painted, at once when
// there is none. Returns its handle, null without one.
HWND ShowSplash() {
    g_splashPaintPending = 1;
    HWND splash = CreateSplashWindow();
    while (g_splashPaintPending) PumpOneMessage();
    return splash;
}

// Who runs and the 8-bit paths the run hands on, read once, before anything is created.
struct RunPaths {
    TokenAccount token;
    QvString launcher;    // names the launcher's file, which carries the archives
    QvString tempFolder;  // ends in a backslash
};

// Ends a failed run with its report. The splash goes first: closing it
// behind the report would end the run with 0, the user's confirmed abandon.
int EndFailedRun(HWND splash, const char* report) {
    DestroyWindow(splash);
    ShowErrorBox(report);
    return kExitPreparationFailed;
}

// Reads the process's account and the launcher's own path and chooses the
// temporary folder. Returns null, or the report of why not (static text)
// when no 8-bit path names the launcher's file, its path or account cannot
// be read, an elevated run's folder cannot be used or memory runs out.
// Copying the launcher to a plain folder instead would double the disk use
// past the free-space test and hand the next stage a file in a folder the
// clean-up deletes.
const char* ReadRunPaths(const PathQueries& paths, RunPaths* run) {
    RunFailure failure;
    try {
        unsigned long error = ReadTokenAccount(&run->token);
        if (error != 0) {
            SetFailure(&failure, static_cast<int>(error), ReportedModuleName(g_instance),
                       "The account the setup runs as could not be read.");
            return FailureReportText(failure);
        }
        LauncherPath launcher = NameLauncherPath(paths);
        if (launcher.state == LauncherPathState::Unnamable) return GetUnnamableFolderText();
        if (launcher.state == LauncherPathState::Unreadable) {
            SetFailure(&failure, static_cast<int>(launcher.error), ReportedModuleName(g_instance),
                       "The launcher's own path could not be read.");
            return FailureReportText(failure);
        }
        run->launcher = launcher.ansi;
        TempFolderChoice temp = ChooseTempFolder(paths, run->token.account);
        if (temp.usable) {
            run->tempFolder = temp.folder;
            return nullptr;
        }
        // Never the user's folder instead: its children are the user's to move.
        SetFailure(&failure, static_cast<int>(temp.error),
                   temp.folder.IsEmpty() ? ReportedModuleName(g_instance) : static_cast<const char*>(temp.folder),
                   "The machine's temporary folder, where an elevated setup works, cannot be used.");
    } catch (const std::bad_alloc&) {
        SetFailure(&failure, kOutOfMemoryCode, ReportedModuleName(g_instance), nullptr);
    }
    return FailureReportText(failure);
}

// Reserves the names, writes the clean-up script, unpacks the archives and
// starts the next stage from the working folder, by its full path, so that
// no program of the same name elsewhere (next to the downloaded launcher,
// say) can stand in for it. Returns true with the next stage's process once
// it runs; from then on what the run created stays, and removing it is the
// script's task. Otherwise returns false with the failure, after everything
// the run created was removed again (what could not be is named in it).
bool PrepareAndLaunch(const RunPaths& paths, const char* commandTail, PROCESS_INFORMATION* nextStage,
                      RunFailure* failure) {
    CreatedFiles run(paths.tempFolder);
    try {
        // Never the temporary folder's own permissions instead: see working_folder_security.h.
        WorkingFolderSecurity security(paths.token);
        if (security.Attributes() == nullptr) {
            SetFailure(failure, static_cast<int>(security.Error()), paths.tempFolder,
                       "The access list of the working folder could not be built.");
            return false;
        }
        run.ReserveNames(security.Attributes());
        run.StartScript();
        UnpackArchives(ResourceArchiveSource(g_instance), &run);
        run.FinishScript();

        QvString command;
        command.Format(kNextStageCommandFormat, kNextStageProgram, static_cast<const char*>(paths.launcher),
                       static_cast<const char*>(run.ScriptPath()), commandTail);
        QvString program = run.WorkFolder() + kNextStageProgram;
        // Everything that may need memory comes before the working folder
        // becomes current: a failure while it is would keep it from removal.
        char* commandLine = command.GetBuffer(0);
        _chdir(run.WorkFolder());
        g_nextStageLaunched = true;
        if (StartNextStage(program, commandLine, run.WorkFolder(), nextStage)) {
            run.Commit();
            // The clean-up script must be able to remove the folder later.
            run.ReleaseHold();
            return true;
        }
        DWORD error = GetLastError();
        g_nextStageLaunched = false;
        // Out of the working folder again, so that it can be removed.
        _chdir(paths.tempFolder);
        SetFailure(failure, static_cast<int>(error), program, nullptr);
    } catch (...) {
        // Nothing here may need memory: running out of it is one of the failures.
        RecordCurrentFailure(failure, run.CurrentPath(), paths.launcher);
    }
    run.RemoveAll(failure);
    return false;
}

// Gives the destroyed splash up to kFinalWaitMs to wind down.
void WaitForSplashToEnd() {
    DWORD start = SystemMilliseconds();
    while (g_splashOpen && SystemMilliseconds() < start + kFinalWaitMs) PumpOneMessage();
}

}  // namespace

int RunLauncher(HINSTANCE instance, const char* commandTail) {
    return RunLauncher(instance, commandTail, SystemPathQueries(instance));
}

int RunLauncher(HINSTANCE instance, const char* commandTail, const PathQueries& paths) {
    g_instance = instance;
    if (BringExistingSetupToFront()) return kExitLaunched;
    HWND splash = ShowSplash();
    if (LauncherFileIsDamaged(instance)) return EndFailedRun(splash, DamagedLauncherReport(instance));

    RunPaths run;
    if (const char* report = ReadRunPaths(paths, &run)) return EndFailedRun(splash, report);
    char drive[3] = {static_cast<const char*>(run.tempFolder)[0], ':', '\0'};
    // The root, not the drive alone: "C:" is the drive's current folder of
    // this process, which may be gone or another volume mounted there.
    char root[4] = {drive[0], ':', '\\', '\0'};
    double freeSpace = GetDriveFreeSpace(root);
    if (!EnoughFreeSpace(freeSpace)) {
        // The splash stays up behind the message.
        ShowNoSpaceMessage(drive, freeSpace);
        return kExitNoSpace;
    }

    // Held in place, so that reporting a failure needs no memory.
    RunFailure failure;
    PROCESS_INFORMATION nextStage;
    if (!PrepareAndLaunch(run, commandTail, &nextStage, &failure))
        return EndFailedRun(splash, FailureReportText(failure));
    WaitUntilInputIdle(nextStage.hProcess);
    CloseHandle(nextStage.hThread);
    CloseHandle(nextStage.hProcess);
    DestroyWindow(splash);
    WaitForSplashToEnd();
    return kExitLaunched;
}
