// The one owner of what a run creates in the temporary folder.
#ifndef TESSAROVEN_RUN_FILES_H
#define TESSAROVEN_RUN_FILES_H

#include <windows.h>

#include <memory>

#include "archive_extraction.h"
#include "cleanup_script.h"
#include "folder_list.h"
#include "qv_string.h"

// Everything one run creates, from the reserved names to the finished
// clean-up script: the script, the working folder, the folders and files
// below it, and the open script stream. Until Commit, its destructor
// removes all of it again, newest first, so that a failed run leaves
// nothing behind whichever way it ends.
//
// The splash window's confirmed close ends the process with exit(), which
// runs no destructors. It cannot strike while a RunFiles holds anything:
// the splash's dialog procedure runs only inside calls that take messages,
// and the main sequence takes none between its first wait and the launch.
class RunFiles final : public ExtractionObserver {
public:
    RunFiles();
    // Unless committed: closes the script, deletes the files this run
    // touched, newest first, removes the folders it created, newest first,
    // and deletes the script. Never throws.
    ~RunFiles();
    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;

    // Reserves the script's name ("%d.bat") and the working folder
    // ("TVQSetup%d", created and recorded) in tempFolder, which ends in a
    // backslash, both created with security (null: the parent's). Throws
    // (as a pointer) QvStreamException OpenFailed with tempFolder when no
    // name is free.
    void ReserveNames(const char* tempFolder, SECURITY_ATTRIBUTES* security);
    // Creates the script and writes its first text; the stream's failures
    // leave as they come (cleanup_script.h).
    void OpenScript();
    // Remembers the file before it is unpacked, so that it can be removed.
    void EntryStarting(const QvString& targetPath) override;
    // Writes the file's "del" line once it is complete.
    void EntryExtracted(const QvString& targetPath) override;
    // Writes one "rmdir" line per created folder and the script's own line,
    // and closes the script.
    void FinishScript();
    // From here on what the run created stays: removing it is the clean-up
    // script's task.
    void Commit() { committed_ = true; }

    // The script's full path; empty until reserved.
    const QvString& ScriptPath() const { return scriptPath_; }
    // The working folder's full path with a trailing backslash; empty until reserved.
    const QvString& WorkFolder() const { return workFolder_; }
    // The folders this run created, newest first; the extraction adds to it.
    FolderList* Folders() { return &folders_; }
    // The file a failure without a path of its own concerns: the entry
    // being unpacked, else the script.
    const QvString& FileInHand() const { return unpacking_.IsEmpty() ? scriptPath_ : unpacking_; }

private:
    QvString scriptPath_;
    QvString workFolder_;
    FolderList folders_;
    PathList touched_;
    QvString unpacking_;
    std::unique_ptr<CleanupScript> script_;
    bool committed_;
};

#endif
