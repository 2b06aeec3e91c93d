#include "main_sequence.h"

#include <new>

#include "background_work.h"
#include "failure_report.h"
#include "free_space.h"
#include "install_mutex.h"
#include "launcher_options.h"
#include "launcher_version.h"
#include "message_waits.h"
#include "next_stage.h"
#include "preparation.h"
#include "process_globals.h"
#include "qv_string.h"
#include "run_log.h"
#include "run_paths.h"
#include "self_check.h"
#include "session_window.h"
#include "splash_window.h"
#include "system_clock.h"
#include "system_paths.h"
#include "window_station.h"

namespace {

const char kSetupWindowClass[] = "AfxFrameOrView42";
const char kSetupWindowTitle[] = "Tessaroven Setup";
const DWORD kFinalWaitMs = 5000;
// A splash that never paints must not hold the run forever.
const DWORD kFirstPaintWaitMs = 10000;
// How long the end of the session waits for the work to undo itself:
// Windows ends a program that has not answered within about five seconds.
const DWORD kSessionEndUndoMs = 4000;
const double kBytesPerMegabyte = 1048576.0;

// How this run was asked to run, and where its reports go.
struct RunContext {
    LauncherOptions options;
    // No window and no message box: /quiet, or nobody can see them.
    bool quiet = false;
    RunLog log;
    HWND splash = nullptr;
    // The work running now, if it is the preparation: what it has undone.
    const Preparation* preparation = nullptr;

    // Shows a report in the error box, unless the run is quiet; the log gets it either way.
    void Report(const char* text) {
        log.Write("%s", text);
        if (!quiet) ShowErrorBox(text);
    }
    // Notes what an undone run could not remove.
    void LogLeftovers(const RunFailure& failure) {
        if (failure.handedOver[0] != '\0') log.Write("Handed to Windows to remove:\n%s", failure.handedOver);
        if (failure.leftBehind[0] != '\0') log.Write("Left:\n%s", failure.leftBehind);
    }
    // Notes the code the run ends with.
    int End(int code) {
        log.Write("exit code %d", code);
        return code;
    }
    // What the user's abandon ends the run with.
    int AbandonCode() const { return options.wait ? kExitUserCancelled : kExitAbandoned; }
};

// The run the splash's requests concern: one per process.
RunContext* g_run = nullptr;

// The close question answered: No lets the work go on. Yes while the work
// runs stops it at its next piece, and the run undoes what it made; with
// no work running, nothing exists to undo (the first wait, the no-space
// message) and the process ends at once.
void AnswerCloseQuestion(bool abandon) {
    if (abandon) g_run->log.Write("The user closed the splash window and abandoned the setup.");
    if (abandon && WorkIsRunning()) StopWork(StopReason::Abandoned);
    ReleaseWork();
    if (abandon && !WorkIsRunning()) exit(g_run->End(g_run->AbandonCode()));
}

// The session ends while the launcher works: the work stops and undoes
// what it made, handing to Windows what it cannot remove, within the few
// seconds Windows gives; then the process ends. Before the work and after
// the start of the next stage there is nothing to undo.
void EndWithTheSession() {
    if (!WorkIsRunning()) return;
    g_run->log.Write("The session is ending: the setup stops and removes what it has made.");
    StopWork(StopReason::SessionEnding);
    ReleaseWork();
    if (!WaitForWorkToEnd(kSessionEndUndoMs)) {
        g_run->log.Write("The removal did not finish before the session ended.");
    } else if (g_run->preparation != nullptr) {
        g_run->LogLeftovers(g_run->preparation->failure);
    }
    ExitProcess(static_cast<UINT>(g_run->End(kExitPreparationFailed)));
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

// Ends a failed run with its report. The splash goes first: closing it
// behind the report would end the run with 0, the user's confirmed abandon.
int EndFailedRun(RunContext* run, const char* report) {
    DestroyWindow(run->splash);
    run->splash = nullptr;
    run->Report(report);
    return run->End(kExitPreparationFailed);
}

// The out-of-memory report, naming the launcher's file; needs no memory.
const char* OutOfMemoryReport() {
    static RunFailure failure;
    SetFailure(&failure, kOutOfMemoryCode, ReportedModuleName(g_instance), nullptr);
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

// The self-check on the work thread.
struct SelfCheckWork {
    bool damaged = false;
};

void CheckSelf(void* context) {
    try {
        static_cast<SelfCheckWork*>(context)->damaged = LauncherFileIsDamaged(g_instance);
    } catch (const WorkStopped&) {
        // Abandoned: the run ends, nothing was created.
    }
}

void Prepare(void* context) { PrepareAndLaunch(g_instance, static_cast<Preparation*>(context)); }

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

// Unpacks and starts the next stage on the work thread; the run's exit code.
int PrepareAndFollow(RunContext* run, const RunPaths& paths) {
    // Held in place, so that reporting a failure needs no memory.
    Preparation preparation;
    preparation.paths = &paths;
    preparation.nextStageTail = run->options.nextStageTail;
    preparation.log = &run->log;
    run->preparation = &preparation;
    RunInBackground(Prepare, &preparation);
    run->preparation = nullptr;
    if (preparation.launched) return run->End(FollowNextStage(run, &preparation.nextStage));

    const RunFailure& failure = preparation.failure;
    if (preparation.stopped) {
        // The user asked for it: no report box, what could not be removed is logged.
        run->LogLeftovers(failure);
        DestroyWindow(run->splash);
        return run->End(run->AbandonCode());
    }
    if (WorkStopReason() == StopReason::Abandoned) {
        // Abandoned while the failure was being undone: the process ends
        // now that it is, without the report box.
        run->log.Write("%s", FailureReportText(failure));
        DestroyWindow(run->splash);
        return run->End(kExitPreparationFailed);
    }
    return EndFailedRun(run, FailureReportText(failure));
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

    if (!run->quiet) run->splash = ShowSplash();
    if (run->splash == nullptr) {
        // Nothing to wait for: no splash paints, none ends.
        g_splashPaintPending = 0;
        g_splashOpen = 0;
    }
    // Without a splash something must still hear the session's end.
    SessionWindow sessionWindow(run->splash == nullptr);

    SelfCheckWork selfCheck;
    RunInBackground(CheckSelf, &selfCheck);
    if (WorkStopReason() == StopReason::Abandoned) return run->End(run->AbandonCode());
    if (selfCheck.damaged) {
        try {
            QvString report = DamagedLauncherReport(g_instance);
            return EndFailedRun(run, report);
        } catch (const std::bad_alloc&) {
            return EndFailedRun(run, OutOfMemoryReport());
        }
    }

    RunPaths runPaths;
    if (const char* report = ReadRunPaths(g_instance, paths, &runPaths)) return EndFailedRun(run, report);
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
    return PrepareAndFollow(run, runPaths);
}

}  // namespace

int RunLauncher(HINSTANCE instance, const char* commandTail) {
    return RunLauncher(instance, commandTail, SystemPathQueries(instance));
}

int RunLauncher(HINSTANCE instance, const char* commandTail, const PathQueries& paths) {
    g_instance = instance;
    ResetWork();
    RunContext run;
    run.options = ReadLauncherOptions(commandTail);
    run.quiet = RunsQuietly(run.options);
    run.log.Open(run.options.logPath);
    unsigned version[4] = {0, 0, 0, 0};
    // Only for the log: a run without one asks nothing more of the platform.
    if (run.log.IsOpen() && !ModuleFileVersion(instance, version))
        run.log.Write("the launcher's version resource cannot be read");
    run.log.Write("Tessaroven setup launcher %u.%u.%u.%u, command tail: %s", version[0], version[1], version[2],
                  version[3], commandTail);
    run.log.Write("options:%s%s%s%s", run.options.wait ? " /wait" : "", run.options.quiet ? " /quiet" : "",
                  run.options.logPath[0] == '\0' ? "" : " /log",
                  run.quiet && !run.options.quiet ? " (quiet: no visible window station)" : "");
    g_run = &run;
    g_closeAsked = HoldWork;
    g_closeAnswered = AnswerCloseQuestion;
    g_sessionEnding = EndWithTheSession;
    int code = Run(&run, paths);
    g_sessionEnding = nullptr;
    g_closeAnswered = nullptr;
    g_closeAsked = nullptr;
    g_run = nullptr;
    return code;
}
