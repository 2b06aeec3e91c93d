// The one owner of what a run creates in the temporary folder.
#ifndef TESSAROVEN_CREATED_FILES_H
#define TESSAROVEN_CREATED_FILES_H

#include <windows.h>

#include <memory>

#include "cleanup_script.h"
#include "failure_report.h"
#include "folder_hold.h"
#include "path_list.h"
#include "qv_string.h"

// Everything one run creates, from the reserved names to the finished
// clean-up script: the script, the working folder, the folders and files
// below it, and the open script stream. Until Commit, RemoveAll (or else
// the destructor) removes all of it again, newest first, so that a failed
// run leaves nothing behind whichever way it ends.
//
// The splash window's confirmed close and the session's end reach the run
// through the work's checkpoints (background_work.h), never by ending the
// process while a CreatedFiles holds anything: the work stops at its next
// piece and the rollback runs as after a failure.
class CreatedFiles {
public:
    // tempFolder: where the run creates its files, ending in a backslash;
    // it must stay valid while the run lives.
    explicit CreatedFiles(const char* tempFolder);
    // RemoveAll, unless committed or already done. Never throws.
    ~CreatedFiles();
    CreatedFiles(const CreatedFiles&) = delete;
    CreatedFiles& operator=(const CreatedFiles&) = delete;

    // Reserves the script ("%d.bat", created and kept open to be written)
    // and the working folder ("TVQSetup%d", created, recorded and held until
    // ReleaseHold) in the temporary folder, both created with security
    // (null: the parent's). Throws (as a pointer) QvStreamException
    // OpenFailed with the temporary folder when no name is free, and
    // std::bad_alloc.
    void ReserveNames(SECURITY_ATTRIBUTES* security);
    // Writes the script's first text; the stream's failures leave as they
    // come (cleanup_script.h).
    void StartScript();
    // Records path, a file about to be created, so that it can be removed;
    // it is the current path until FinishFile. Throws std::bad_alloc (the
    // file not recorded) when there is no memory for the record.
    void StartFile(const QvString& path);
    // The file at path is complete: writes its "del" line to the script.
    void FinishFile(const QvString& path);
    // Writes one "rmdir" line per created folder and the script's own line,
    // and closes the script.
    void FinishScript();
    // From here on what the run created stays: removing it is the clean-up
    // script's task.
    void Commit() { committed_ = true; }
    // Lets go of the working folder, once the next stage runs from it: the
    // clean-up script must be able to remove it later.
    void ReleaseHold() { hold_.Release(); }
    // Unless committed or done before: closes the script, lets go of the
    // working folder, deletes the files
    // this run touched and removes the folders it created, each newest
    // first, and deletes the script. A removal that fails is tried again a
    // few times after a short pause (a virus scanner still reading a fresh
    // file holds it for a moment); what still stands is handed to the system
    // to remove when it next starts, and its path added to failure (when
    // that is not null) as handed over, or as left behind when the system
    // refused it. Allocates nothing, never throws.
    void RemoveAll(RunFailure* failure);

    // The script's full path; empty until reserved.
    const QvString& ScriptPath() const { return scriptPath_; }
    // The working folder's full path with a trailing backslash; empty until reserved.
    const QvString& WorkFolder() const { return workFolder_; }
    // The folders this run created, newest first; folder creation adds to it.
    FolderList* Folders() { return &folders_; }
    // The path a failure without a path of its own concerns: the file
    // between StartFile and FinishFile, else the script, else the temporary
    // folder. Valid while the run lives and nothing changes.
    const char* CurrentPath() const;

private:
    QvString scriptPath_;
    QvString workFolder_;
    FolderList folders_;
    PathList touched_;
    QvString current_;
    std::unique_ptr<CleanupScript> script_;
    FolderHold hold_;
    const char* tempFolder_;
    bool committed_;
    bool removed_;
};

#endif
