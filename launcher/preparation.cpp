#include "preparation.h"

#include <direct.h>

#include "background_work.h"
#include "created_files.h"
#include "next_stage.h"
#include "payload_archives.h"
#include "process_globals.h"
#include "qv_string.h"
#include "unpacking.h"
#include "working_folder_security.h"

namespace {

// Returns true once the next stage runs; false with the failure, or after a
// stop, leaving the removal to the caller.
bool CreateAndStart(HMODULE module, Preparation* p, CreatedFiles* run) {
    const RunPaths& paths = *p->paths;
    // Never the temporary folder's own permissions instead: see working_folder_security.h.
    WorkingFolderSecurity security(paths.token);
    if (security.Attributes() == nullptr) {
        SetFailure(&p->failure, static_cast<int>(security.Error()), paths.tempFolder,
                   "The access list of the working folder could not be built.");
        return false;
    }
    run->ReserveNames(security.Attributes());
    p->log->Write("working folder %s, clean-up script %s", static_cast<const char*>(run->WorkFolder()),
                  static_cast<const char*>(run->ScriptPath()));
    run->StartScript();
    UnpackArchives(ResourceArchiveSource(module), run, p->log);
    run->FinishScript();

    QvString command;
    command.Format(kNextStageCommandFormat, kNextStageProgram, static_cast<const char*>(paths.launcher),
                   static_cast<const char*>(run->ScriptPath()), p->nextStageTail);
    QvString program = run->WorkFolder() + kNextStageProgram;
    p->log->Write("starting %s", static_cast<const char*>(command));
    // Everything that may need memory comes before the working folder
    // becomes current: a failure while it is would keep it from removal.
    char* commandLine = command.GetBuffer(0);
    // The last moment the user's abandon can keep the next stage from starting.
    WorkCheckpoint();
    _chdir(run->WorkFolder());
    g_nextStageLaunched = true;
    bool started = StartNextStage(program, commandLine, run->WorkFolder(), &p->nextStage);
    DWORD error = GetLastError();
    // The launcher's part of the working folder ends here: the clean-up
    // script must be able to remove it later, and a failed run now.
    run->ReleaseHold();
    _chdir(paths.tempFolder);
    if (started) {
        run->Commit();
        p->log->Write("the next stage runs, process id %lu", static_cast<unsigned long>(p->nextStage.dwProcessId));
        return true;
    }
    g_nextStageLaunched = false;
    SetFailure(&p->failure, static_cast<int>(error), program, nullptr);
    return false;
}

}  // namespace

void PrepareAndLaunch(void* module, Preparation* p) {
    CreatedFiles run(p->paths->tempFolder);
    try {
        p->launched = CreateAndStart(static_cast<HMODULE>(module), p, &run);
        if (p->launched) return;
    } catch (const WorkStopped&) {
        p->stopped = true;
    } catch (...) {
        // Nothing here may need memory: running out of it is one of the failures.
        RecordCurrentFailure(&p->failure, run.CurrentPath(), p->paths->launcher);
    }
    run.RemoveAll(&p->failure);
}
