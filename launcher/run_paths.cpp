#include "run_paths.h"

#include <windows.h>

#include <new>

#include "failure_report.h"
#include "failure_text.h"
#include "system_paths.h"
#include "temp_folder.h"

const char* ReadRunPaths(void* module, const PathQueries& paths, RunPaths* run) {
    HMODULE launcherModule = static_cast<HMODULE>(module);
    static RunFailure failure;
    try {
        unsigned long error = ReadTokenAccount(&run->token);
        if (error != 0) {
            SetFailure(&failure, static_cast<int>(error), ReportedModuleName(launcherModule),
                       "The account the setup runs as could not be read.");
            return FailureReportText(failure);
        }
        LauncherPath launcher = NameLauncherPath(paths);
        if (launcher.state == LauncherPathState::Unnamable) return GetUnnamableFolderText();
        if (launcher.state == LauncherPathState::Unreadable) {
            SetFailure(&failure, static_cast<int>(launcher.error), ReportedModuleName(launcherModule),
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
                   temp.folder.IsEmpty() ? ReportedModuleName(launcherModule) : static_cast<const char*>(temp.folder),
                   "The machine's temporary folder, where an elevated setup works, cannot be used.");
    } catch (const std::bad_alloc&) {
        SetFailure(&failure, kOutOfMemoryCode, ReportedModuleName(launcherModule), nullptr);
    }
    return FailureReportText(failure);
}
