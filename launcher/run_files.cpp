#include "run_files.h"

#include <windows.h>

#include "qv_stream_exception.h"
#include "unique_name.h"

RunFiles::RunFiles() : committed_(false) {}

RunFiles::~RunFiles() {
    if (committed_) return;
    script_.reset();  // closes the script, so that it can be deleted
    for (const QvString& file : touched_) {
        SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file);
    }
    for (const QvString& folder : folders_) RemoveDirectoryA(folder);
    if (!scriptPath_.IsEmpty()) DeleteFileA(scriptPath_);
}

void RunFiles::ReserveNames(const char* tempFolder, SECURITY_ATTRIBUTES* security) {
    QvString escaped = EscapePercent(tempFolder);
    scriptPath_ = ReserveUniqueFile(escaped + "%d.bat", security);
    // No free name: the report names the folder where none could be created.
    if (scriptPath_.IsEmpty()) throw new QvStreamException(QvStreamException::OpenFailed, tempFolder);
    QvString folder = ReserveUniqueFolder(escaped + "TVQSetup%d", &folders_, security);
    if (folder.IsEmpty()) throw new QvStreamException(QvStreamException::OpenFailed, tempFolder);
    workFolder_ = folder + "\\";
}

void RunFiles::OpenScript() {
    script_.reset(new CleanupScript(scriptPath_));
    script_->WriteFirstText(workFolder_);
}

void RunFiles::EntryStarting(const QvString& targetPath) {
    touched_.AddFront(targetPath);
    unpacking_ = targetPath;
}

void RunFiles::EntryExtracted(const QvString& targetPath) {
    unpacking_.Empty();
    script_->WriteDelete(targetPath);
}

void RunFiles::FinishScript() {
    script_->WriteRemoveFolders(folders_);
    script_->Finish();
}
