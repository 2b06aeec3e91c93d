#include "main_sequence.h"

#include <direct.h>

#include <new>

#include "created_files.h"
#include "failure_report.h"
#include "failure_text.h"
#include "free_space.h"
#include "install_mutex.h"
#include "launcher_options.h"
#include "launcher_version.h"
#include "message_waits.h"
#include "next_stage.h"
#include "payload_archives.h"
#include "process_globals.h"
#include "qv_string.h"
#include "run_account.h"
#include "run_log.h"
#include "self_check.h"
#include "splash_window.h"
#include "system_clock.h"
#include "system_paths.h"
#include "temp_folder.h"
#include "unpacking.h"
#include "window_station.h"
#include "working_folder_security.h"

namespace {

const char kSetupWindowClass[] = "AfxFrameOrView42";
const char kSetupWindowTitle[] = "Tessaroven Setup";
const DWORD kFinalWaitMs = 5000;
// A splash that never paints must not hold the run forever.
const DWORD kFirstPaintWaitMs = 10000;
const double kBytesPerMegabyte = 1048576.0;

// How this run was asked to run, and where its reports go.
struct RunContext {
    LauncherOptions options;
    // No window and no message box: /quiet, or nobody can see them.
    bool quiet = false;
    RunLog log;
    HWND splash = nullptr;

    // Shows a report in the error box, unless the run is quiet; the log gets it either way.
    void Report(const char* text) {
        log.Write("%s", text);
        if (!quiet) ShowErrorBox(text);
    }
    // Notes the code the run ends with.
    int End(int code) {
        log.Write("exit code %d", code);
        return code;
    }
};

// The run the splash's confirmed close abandons.
RunContext* g_abandonedRun = nullptr;

// What the splash does when the user confirms closing it before anything
// was created: the process ends at once, with nothing to undo.
void AbandonRun() {
    int code = g_abandonedRun != nullptr && g_abandonedRun->options.wait ? kExitUserCancelled : kExitAbandoned;
    if (g_abandonedRun != nullptr) {
        g_abandonedRun->log.Write("The user closed the splash window and abandoned the setup.");
        g_abandonedRun->End(code);
    }
    exit(code);
}

// The open setup window of the application; null when there is none.
HWND FindSetupWindow() { return FindWindowA(kSetupWindowClass, kSetupWindowTitle); }

// Brings window, an open setup window, to the front.
void BringToFront(HWND window) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

bool SplashHasPainted() { return g_splashPaintPending == 0; }
bool SplashHasEnded() { return g_splashOpen == 0; }

// Creates the splash window and waits until it has painted, at once when
// there is none, at most kFirstPaintWaitMs. Returns its handle, null without one.
HWND ShowSplash() {
    g_splashPaintPending = 1;
    HWND splash = CreateSplashWindow();
    WaitTakingMessages(SplashHasPainted, nullptr, kFirstPaintWaitMs);
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
int EndFailedRun(RunContext* run, const char* report) {
    DestroyWindow(run->splash);
    run->Report(report);
    return run->End(kExitPreparationFailed);
}

// The out-of-memory report, naming the launcher's file; needs no memory.
const char* OutOfMemoryReport() {
    static RunFailure failure;
    SetFailure(&failure, kOutOfMemoryCode, ReportedModuleName(g_instance), nullptr);
    return FailureReportText(failure);
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

// The no-space message for the temporary folder's drive, shown unless the
// run is quiet, logged either way. False when memory for it ran out.
bool ReportNoSpace(RunContext* run, const char* drive, double freeBytes) {
    try {
        QvString message = NoSpaceMessage(drive, freeBytes);
        run->log.Write("%s", static_cast<const char*>(message));
        if (!run->quiet) ShowNoSpaceMessage(message);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Reserves the names, writes the clean-up script, unpacks the archives and
// starts the next stage from the working folder, by its full path, so that
// no program of the same name elsewhere (next to the downloaded launcher,
// say) can stand in for it. Returns true with the next stage's process once
// it runs, the working folder let go and left; from then on what the run
// created stays, and removing it is the script's task. Otherwise returns
// false with the failure, after everything the run created was removed
// again (what could not be is named in it).
bool PrepareAndLaunch(RunContext* context, const RunPaths& paths, PROCESS_INFORMATION* nextStage,
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
        context->log.Write("working folder %s, clean-up script %s", static_cast<const char*>(run.WorkFolder()),
                           static_cast<const char*>(run.ScriptPath()));
        run.StartScript();
        UnpackArchives(ResourceArchiveSource(g_instance), &run, &context->log);
        run.FinishScript();

        QvString command;
        command.Format(kNextStageCommandFormat, kNextStageProgram, static_cast<const char*>(paths.launcher),
                       static_cast<const char*>(run.ScriptPath()), context->options.nextStageTail);
        QvString program = run.WorkFolder() + kNextStageProgram;
        context->log.Write("starting %s", static_cast<const char*>(command));
        // Everything that may need memory comes before the working folder
        // becomes current: a failure while it is would keep it from removal.
        char* commandLine = command.GetBuffer(0);
        _chdir(run.WorkFolder());
        g_nextStageLaunched = true;
        bool started = StartNextStage(program, commandLine, run.WorkFolder(), nextStage);
        DWORD error = GetLastError();
        // The launcher's part of the working folder ends here: the clean-up
        // script must be able to remove it later, and a failed run now.
        run.ReleaseHold();
        _chdir(paths.tempFolder);
        if (started) {
            run.Commit();
            context->log.Write("the next stage runs, process id %lu", static_cast<unsigned long>(nextStage->dwProcessId));
            return true;
        }
        g_nextStageLaunched = false;
        SetFailure(failure, static_cast<int>(error), program, nullptr);
    } catch (...) {
        // Nothing here may need memory: running out of it is one of the failures.
        RecordCurrentFailure(failure, run.CurrentPath(), paths.launcher);
    }
    run.RemoveAll(failure);
    return false;
}

// After the start: the splash stays until the next stage is up, then goes,
// and gets up to kFinalWaitMs to wind down. With /wait the run then waits
// for the next stage to end and returns its exit code; otherwise 0.
int FollowNextStage(RunContext* run, PROCESS_INFORMATION* nextStage) {
    WaitUntilInputIdle(nextStage->hProcess);
    CloseHandle(nextStage->hThread);
    DestroyWindow(run->splash);
    run->splash = nullptr;
    WaitTakingMessages(SplashHasEnded, nullptr, kFinalWaitMs);
    int code = kExitLaunched;
    if (run->options.wait) {
        uint32_t start = SystemMilliseconds();
        WaitTakingMessages(nullptr, nextStage->hProcess, INFINITE);
        DWORD exitCode = 0;
        if (!GetExitCodeProcess(nextStage->hProcess, &exitCode)) exitCode = kExitPreparationFailed;
        run->log.Write("the next stage ended with exit code %lu after %lu ms", static_cast<unsigned long>(exitCode),
                       static_cast<unsigned long>(SystemMilliseconds() - start));
        code = static_cast<int>(exitCode);
    }
    CloseHandle(nextStage->hProcess);
    return code;
}

// The run after the options are read and the log is open.
int Run(RunContext* run, const PathQueries& paths) {
    InstallMutex lock;
    if (lock.GetState() == InstallMutex::State::Unavailable)
        run->log.Write("the machine's installation lock could not be created (error %lu); going on without it",
                       lock.Error());
    HWND open = FindSetupWindow();
    if (open != nullptr || lock.GetState() == InstallMutex::State::Taken) {
        run->log.Write(open != nullptr ? "a setup window of the application is open"
                                       : "another launcher of the application is at work");
        // A tool that waits for the installation must learn it did not happen.
        if (run->options.wait || run->quiet) return run->End(kExitAnotherInstallation);
        if (open != nullptr) BringToFront(open);
        return run->End(kExitLaunched);
    }

    if (run->quiet) {
        // Nothing to wait for: no splash paints, none ends.
        g_splashPaintPending = 0;
        g_splashOpen = 0;
    } else {
        run->splash = ShowSplash();
    }
    if (LauncherFileIsDamaged(g_instance)) {
        try {
            QvString report = DamagedLauncherReport(g_instance);
            return EndFailedRun(run, report);
        } catch (const std::bad_alloc&) {
            return EndFailedRun(run, OutOfMemoryReport());
        }
    }

    RunPaths runPaths;
    if (const char* report = ReadRunPaths(paths, &runPaths)) return EndFailedRun(run, report);
    run->log.Write("running %s as %s", static_cast<const char*>(runPaths.launcher),
                   RunAccountText(runPaths.token.account));
    char drive[3] = {static_cast<const char*>(runPaths.tempFolder)[0], ':', '\0'};
    // The root, not the drive alone: "C:" is the drive's current folder of
    // this process, which may be gone or another volume mounted there.
    char root[4] = {drive[0], ':', '\\', '\0'};
    double freeSpace = GetDriveFreeSpace(root);
    run->log.Write("temporary folder %s, %.1f MB free on %s", static_cast<const char*>(runPaths.tempFolder),
                   freeSpace / kBytesPerMegabyte, drive);
    if (!EnoughFreeSpace(freeSpace)) {
        // The splash stays up behind the message.
        if (!ReportNoSpace(run, drive, freeSpace)) return EndFailedRun(run, OutOfMemoryReport());
        return run->End(kExitNoSpace);
    }

    // Held in place, so that reporting a failure needs no memory.
    RunFailure failure;
    PROCESS_INFORMATION nextStage;
    if (!PrepareAndLaunch(run, runPaths, &nextStage, &failure)) return EndFailedRun(run, FailureReportText(failure));
    return run->End(FollowNextStage(run, &nextStage));
}

}  // namespace

int RunLauncher(HINSTANCE instance, const char* commandTail) {
    return RunLauncher(instance, commandTail, SystemPathQueries(instance));
}

int RunLauncher(HINSTANCE instance, const char* commandTail, const PathQueries& paths) {
    g_instance = instance;
    RunContext run;
    try {
        run.options = ReadLauncherOptions(commandTail);
    } catch (const std::bad_alloc&) {
        // Not even the options: the tail goes on as it came, and the report shows.
        run.options = LauncherOptions();
        run.options.nextStageTail = commandTail;
        run.Report(OutOfMemoryReport());
        return kExitPreparationFailed;
    }
    run.quiet = run.options.quiet || !WindowStationIsVisible();
    run.log.Open(run.options.logPath);
    unsigned version[4] = {0, 0, 0, 0};
    if (!ModuleFileVersion(instance, version)) run.log.Write("the launcher's version resource cannot be read");
    run.log.Write("Tessaroven setup launcher %u.%u.%u.%u, command tail: %s", version[0], version[1], version[2],
                  version[3], commandTail);
    run.log.Write("options:%s%s%s", run.options.wait ? " /wait" : "", run.options.quiet ? " /quiet" : "",
                  run.quiet && !run.options.quiet ? " (quiet: no visible window station)" : "");
    g_abandonedRun = &run;
    g_abandonRun = AbandonRun;
    int code = Run(&run, paths);
    g_abandonRun = nullptr;
    g_abandonedRun = nullptr;
    return code;
}
