#include "main_sequence.h"

#include <direct.h>
#include <string.h>

#include <new>

#include "ansi_path.h"
#include "failure_text.h"
#include "free_space.h"
#include "process_globals.h"
#include "message_text.h"
#include "payload_archives.h"
#include "qv_string.h"
#include "run_failure.h"
#include "created_files.h"
#include "self_check.h"
#include "splash_window.h"
#include "start_inputs.h"
#include "system_clock.h"
#include "system_paths.h"
#include "unpacking.h"
#include "working_folder_security.h"

namespace {

const char kSetupWindowClass[] = "AfxFrameOrView42";
const char kSetupWindowTitle[] = "Tessaroven Setup";
const UINT kNoSpaceStyle = 0x40000;  // MB_OK | MB_TOPMOST, no icon
// The next stage's name first (kNextStageProgram).
const char kCommandFormat[] =
    "%s TVSetup SetupProgram=TVMirva Basic=Yes Wnd=Normal Server=None Wnd=Maximized "
    "ResourceFile=\"%s\" CleanUp=\"%s\" %s";
const DWORD kFinalWaitMs = 5000;
// As long as WinExec gives a started program to come up.
const DWORD kNextStageIdleMs = 30000;
const DWORD kIdleSliceMs = 50;

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

// True when the drive of tempFolder has room for the run; otherwise the
// no-space message has been shown (the splash stays up behind it).
bool EnoughRoomOnDrive(const char* tempFolder) {
    char drive[3] = {tempFolder[0], ':', '\0'};
    double freeSpace = GetDriveFreeSpace(drive);
    if (EnoughFreeSpace(freeSpace)) return true;
    MessageBoxA(nullptr, NoSpaceMessage(drive, freeSpace), GetMessageText(0), kNoSpaceStyle);
    return false;
}

// The 8-bit paths a run hands on, read once, before anything is created.
struct RunPaths {
    QvString launcher;    // names the launcher's file, which carries the archives
    QvString tempFolder;  // ends in a backslash
};

// Reads the launcher's own path and chooses the temporary folder. False,
// after the splash is gone and the user was told why, when no 8-bit path
// names the launcher's file, its path cannot be read or memory runs out.
// Copying the launcher to a plain folder instead would double the disk use
// past the free-space test and hand the next stage a file in a folder the
// clean-up deletes.
bool ReadRunPaths(const PathQueries& paths, HWND splash, RunPaths* run) {
    RunFailure failure;
    try {
        LauncherPath launcher = NameLauncherPath(paths);
        if (launcher.state == LauncherPathState::Named) {
            run->launcher = launcher.ansi;
            run->tempFolder = ChooseTempFolder(paths);
            return true;
        }
        DestroyWindow(splash);
        if (launcher.state == LauncherPathState::Unnamable) {
            MessageBoxA(nullptr, GetUnnamableFolderText(), GetMessageText(0), MB_OK | MB_ICONERROR | MB_TOPMOST);
            return false;
        }
        SetFailure(&failure, static_cast<int>(launcher.error), ReportedModuleName(g_instance),
                   "The launcher's own path could not be read.");
    } catch (const std::bad_alloc&) {
        DestroyWindow(splash);
        SetFailure(&failure, kOutOfMemoryCode, ReportedModuleName(g_instance), nullptr);
    }
    ShowFailureReport(failure);
    return false;
}

// Waits, as WinExec does, until the started program first waits for input
// (its window is up) or has ended, for at most kNextStageIdleMs, so that the
// splash stays until there is something else to see. Messages sent to the
// splash meanwhile are answered, so that a program that sends to it while
// it starts is not kept waiting; nothing is taken from the queue.
void WaitUntilInputIdle(HANDLE process) {
    DWORD start = GetTickCount();
    for (;;) {
        // Idle, ended, or a program without a message queue.
        if (WaitForInputIdle(process, kIdleSliceMs) != WAIT_TIMEOUT) return;
        if (GetTickCount() - start >= kNextStageIdleMs) return;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Starts program with commandLine (which CreateProcessA may write into) in
// folder; true with process filled once it runs.
bool StartProgram(const char* program, char* commandLine, const char* folder, PROCESS_INFORMATION* process) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    return CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, process) !=
           FALSE;
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
        WorkingFolderSecurity security;
        if (security.Attributes() == nullptr) {
            SetFailure(failure, static_cast<int>(security.Error()), paths.tempFolder,
                       "The access list of the working folder could not be built.");
            return false;
        }
        run.ReserveNames(security.Attributes());
        run.OpenScript();
        UnpackArchives(ResourceArchiveSource(g_instance), &run);
        run.FinishScript();

        QvString command;
        command.Format(kCommandFormat, kNextStageProgram, static_cast<const char*>(paths.launcher),
                       static_cast<const char*>(run.ScriptPath()), commandTail);
        QvString program = run.WorkFolder() + kNextStageProgram;
        // Everything that may need memory comes before the working folder
        // becomes current: a failure while it is would keep it from removal.
        char* commandLine = command.GetBuffer(0);
        _chdir(run.WorkFolder());
        g_nextStageLaunched = true;
        if (StartProgram(program, commandLine, run.WorkFolder(), nextStage)) {
            run.Commit();
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

void ShowFailureReport(const RunFailure& failure) {
    static char text[kFailureReportChars];
    FormatFailureReport(failure, text, sizeof text);
    MessageBoxA(nullptr, text, GetMessageText(0), MB_OK | MB_ICONERROR | MB_TOPMOST);
}

int RunLauncher(HINSTANCE instance, const char* commandTail) {
    return RunLauncher(instance, commandTail, SystemPathQueries(instance));
}

int RunLauncher(HINSTANCE instance, const char* commandTail, const PathQueries& paths) {
    g_instance = instance;
    if (BringExistingSetupToFront()) return kExitLaunched;
    HWND splash = ShowSplash();
    if (LauncherFileIsDamaged(instance)) {
        // The splash goes first: closing it behind the message would end the run with 0.
        DestroyWindow(splash);
        ReportDamagedLauncher(instance);
        return kExitPreparationFailed;
    }

    RunPaths run;
    if (!ReadRunPaths(paths, splash, &run)) return kExitPreparationFailed;
    if (!EnoughRoomOnDrive(run.tempFolder)) return kExitNoSpace;

    // Held in place, so that reporting a failure needs no memory.
    RunFailure failure;
    PROCESS_INFORMATION nextStage;
    if (!PrepareAndLaunch(run, commandTail, &nextStage, &failure)) {
        // Closing the splash while the report is up would end the run with
        // 0 (the user's confirmed abandon): a failed run must end with 2.
        DestroyWindow(splash);
        ShowFailureReport(failure);
        return kExitPreparationFailed;
    }
    WaitUntilInputIdle(nextStage.hProcess);
    CloseHandle(nextStage.hThread);
    CloseHandle(nextStage.hProcess);
    DestroyWindow(splash);
    WaitForSplashToEnd();
    return kExitLaunched;
}
