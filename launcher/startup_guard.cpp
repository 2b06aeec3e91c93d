#include "startup_guard.h"

#include <windows.h>

#include <errno.h>

#include "command_tail.h"
#include "exit_codes.h"
#include "failure_report.h"
#include "launcher_options.h"
#include "run_log.h"
#include "system_paths.h"
#include "window_station.h"

namespace {

volatile bool g_guarding = true;

// Called by the start-up's own filter for what it does not handle itself.
LONG WINAPI ReportStartupFailure(EXCEPTION_POINTERS* exception) {
    // Only the start-up's unchecked allocation: an access violation right
    // after the run-time library ran out of memory.
    if (!g_guarding || exception->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || errno != ENOMEM)
        return EXCEPTION_CONTINUE_SEARCH;
    g_guarding = false;
    static RunFailure failure;
    SetFailure(&failure, kOutOfMemoryCode, ReportedModuleName(nullptr), nullptr);
    // The options ask for no box and a log as much here as later; reading
    // them needs no memory.
    static LauncherOptions options;
    options = ReadLauncherOptions(CommandTail(GetCommandLineA()));
    RunLog log;
    log.Open(options.logPath);
    log.Write("%s", FailureReportText(failure));
    log.Write("exit code %d", static_cast<int>(kExitPreparationFailed));
    if (!RunsQuietly(options)) ShowFailureReport(failure);
    ExitProcess(kExitPreparationFailed);
}

int StartGuard() {
    SetUnhandledExceptionFilter(ReportStartupFailure);
    return 0;
}

}  // namespace

// Among the run-time library's C initializers, which run before the
// arguments are copied (the start-up's C++ constructors run after it).
extern "C" __attribute__((section(".CRT$XIU"), used)) int (*const tv_startup_guard)() = StartGuard;

void EndStartupGuard() { g_guarding = false; }
