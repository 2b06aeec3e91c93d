#include "main_sequence.h"

#include <direct.h>
#include <string.h>

#include "archive_extraction.h"
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

// The temporary folder, always of the form letter, colon, backslash, ... and
// ending in a backslash.
void ReadTempFolder(char (&folder)[MAX_PATH]) {
    static_assert(MAX_PATH == kPlatformPathBuffer, "one path buffer size");
    KeepUsableTempFolder(folder, GetTempPathA(MAX_PATH, folder));
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

// The launcher's own executable path, which carries the archives.
void ReadLauncherPath(char (&path)[MAX_PATH]) { GetModuleFileNameA(g_instance, path, MAX_PATH); }

// What the run hands to the next stage once its files are ready.
struct PreparedFiles {
    QvString scriptPath;
    QvString workFolder;  // ends in a backslash
};

// Reserves the names, writes the clean-up script and unpacks the archives.
// Returns true with the script and the working folder, whose removal is the
// script's task from now on; or false with the failure, after everything
// the run created was removed again.
bool PrepareFiles(const char* tempFolder, PreparedFiles* prepared, RunFailure* failure) {
    RunFiles run;
    try {
        run.ReserveNames(tempFolder);
        run.OpenScript();
        ExtractArchives(ResourceArchiveSource(g_instance), kExtractedArchives, run.WorkFolder(), run.Folders(), &run);
        run.FinishScript();
    } catch (...) {
        char launcherPath[MAX_PATH];
        ReadLauncherPath(launcherPath);
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
void LaunchNextStage(const PreparedFiles& prepared, const char* commandTail) {
    _chdir(prepared.workFolder);
    char launcherPath[MAX_PATH];
    ReadLauncherPath(launcherPath);
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
    g_instance = instance;
    if (BringExistingSetupToFront()) return kExitLaunched;
    HWND splash = ShowSplash();
    if (LauncherFileIsDamaged(instance)) {
        // The splash goes first: closing it behind the message would end the run with 0.
        DestroyWindow(splash);
        ReportDamagedLauncher(instance);
        return kExitPreparationFailed;
    }

    char tempFolder[MAX_PATH];
    ReadTempFolder(tempFolder);
    if (!EnoughRoomOnDrive(tempFolder)) return kExitNoSpace;

    PreparedFiles prepared;
    RunFailure failure;
    if (!PrepareFiles(tempFolder, &prepared, &failure)) {
        // Closing the splash while the report is up would end the run with
        // 0 (the user's confirmed abandon): a failed run must end with 2.
        DestroyWindow(splash);
        ReportFailure(failure);
        return kExitPreparationFailed;
    }

    LaunchNextStage(prepared, commandTail);
    DestroyWindow(splash);
    WaitForSplashToEnd();
    return kExitLaunched;
}
