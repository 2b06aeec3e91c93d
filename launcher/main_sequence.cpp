#include "main_sequence.h"

#include <direct.h>
#include <string.h>

#include <new>

#include "ansi_path.h"
#include "archive_extraction.h"
#include "failure_text.h"
#include "free_space.h"
#include "launcher_globals.h"
#include "message_text.h"
#include "payload_archives.h"
#include "qv_string.h"
#include "run_failure.h"
#include "run_files.h"
#include "self_check.h"
#include "splash_window.h"
#include "start_inputs.h"
#include "system_clock.h"
#include "system_paths.h"
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

// What the run hands to the next stage once its files are ready.
struct PreparedFiles {
    QvString scriptPath;
    QvString workFolder;  // ends in a backslash
};

// What a failure to build the working folder's access list is reported as:
// the folder the run would have created its files in, and the code.
RunFailure SecurityFailure(const char* tempFolder, DWORD error) {
    RunFailure failure;
    failure.code = static_cast<int>(error);
    failure.path = tempFolder;
    failure.reason = "The access list of the working folder could not be built.";
    return failure;
}

// Reserves the names, writes the clean-up script and unpacks the archives.
// Returns true with the script and the working folder, whose removal is the
// script's task from now on; or false with the failure, after everything
// the run created was removed again. launcherPath names the file that
// carries the archives.
bool PrepareFiles(const char* tempFolder, const char* launcherPath, PreparedFiles* prepared, RunFailure* failure) {
    RunFiles run;
    try {
        // Never the temporary folder's own permissions instead: see working_folder_security.h.
        WorkingFolderSecurity security;
        if (security.Attributes() == nullptr) {
            *failure = SecurityFailure(tempFolder, security.Error());
            return false;
        }
        run.ReserveNames(tempFolder, security.Attributes());
        run.OpenScript();
        ExtractArchives(ResourceArchiveSource(g_instance), kExtractedArchives, run.WorkFolder(), run.Folders(), &run);
        run.FinishScript();
    } catch (...) {
        *failure = CurrentFailure(run.FileInHand(), launcherPath);
        return false;  // run removes what it created on its way out
    }
    prepared->scriptPath = run.ScriptPath();
    prepared->workFolder = run.WorkFolder();
    run.Commit();
    return true;
}

void ReportFailure(const RunFailure& failure) {
    MessageBoxA(nullptr, FailureReportText(failure), GetMessageText(0), MB_OK | MB_ICONERROR | MB_TOPMOST);
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
        failure.code = static_cast<int>(launcher.error);
        failure.reason = "The launcher's own path could not be read.";
    } catch (const std::bad_alloc&) {
        DestroyWindow(splash);
        failure.code = kOutOfMemoryCode;
    }
    ReportFailure(failure);
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

// Starts the next stage by its full path, so that no program of the same
// name elsewhere (next to the downloaded launcher, say) can stand in for it.
void StartNextStage(const QvString& workFolder, const QvString& command) {
    QvString program = workFolder + kNextStageProgram;
    QvString commandLine = command;  // CreateProcessA may write into its command line
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process;
    if (CreateProcessA(program, commandLine.GetBuffer(0), nullptr, nullptr, FALSE, 0, nullptr, workFolder,
                       &startup, &process)) {
        WaitUntilInputIdle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// Makes the working folder current and starts the next stage with the
// script, the launcher's path and the command tail.
void LaunchNextStage(const PreparedFiles& prepared, const char* launcherPath, const char* commandTail) {
    _chdir(prepared.workFolder);
    QvString command;
    command.Format(kCommandFormat, kNextStageProgram, launcherPath, static_cast<const char*>(prepared.scriptPath),
                   commandTail);
    g_nextStageLaunched = true;
    StartNextStage(prepared.workFolder, command);
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
    if (LauncherFileIsDamaged(instance)) {
        // The splash goes first: closing it behind the message would end the run with 0.
        DestroyWindow(splash);
        ReportDamagedLauncher(instance);
        return kExitPreparationFailed;
    }

    RunPaths run;
    if (!ReadRunPaths(paths, splash, &run)) return kExitPreparationFailed;
    if (!EnoughRoomOnDrive(run.tempFolder)) return kExitNoSpace;

    PreparedFiles prepared;
    RunFailure failure;
    if (!PrepareFiles(run.tempFolder, run.launcher, &prepared, &failure)) {
        // Closing the splash while the report is up would end the run with
        // 0 (the user's confirmed abandon): a failed run must end with 2.
        DestroyWindow(splash);
        ReportFailure(failure);
        return kExitPreparationFailed;
    }

    LaunchNextStage(prepared, run.launcher, commandTail);
    DestroyWindow(splash);
    WaitForSplashToEnd();
    return kExitLaunched;
}
