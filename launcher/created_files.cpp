#include "created_files.h"

#include <windows.h>

#include "background_work.h"
#include "qv_stream_exception.h"
#include "unique_name.h"

namespace {

// Tries of one removal, and the pauses between them (about a third of a
// second in all).
const int kRemovalTries = 4;
const DWORD kRetryPauseMs[kRemovalTries - 1] = {50, 100, 200};

BOOL DeleteAnyFile(const char* path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);  // read-only files too
    return DeleteFileA(path);
}

// Removes path with remove (DeleteAnyFile or RemoveDirectoryA), trying
// again while it fails for another reason than being gone already; hands
// what still stands to the system to remove when it next starts, and names
// it in failure as handed over, or, when the system will not take it
// either, as left behind: a report must not promise a removal nobody will do.
void RemoveOrHandOver(const char* path, BOOL (*remove)(const char*), RunFailure* failure) {
    for (int attempt = 0;; ++attempt) {
        if (remove(path)) return;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
        // A folder that holds what was left behind goes no sooner than that
        // does: no use waiting, nor asking the system, which could not
        // remove it at its next start either.
        if (failure != nullptr && LeftBehindBelow(*failure, path)) {
            AddLeftover(failure, path, false);
            return;
        }
        // When the session ends there is no time to wait: Windows takes it.
        if (attempt + 1 == kRemovalTries || WorkStopReason() == StopReason::SessionEnding) break;
        Sleep(kRetryPauseMs[attempt]);
    }
    bool handedOver = MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    if (failure != nullptr) AddLeftover(failure, path, handedOver);
}

BOOL RemoveFolder(const char* path) { return RemoveDirectoryA(path); }

// text with every percent sign doubled, so that it stands for itself in a
// pattern of unique names.
QvString EscapePercent(const char* text) {
    QvString escaped(text);
    escaped.Replace("%", "%%");
    return escaped;
}

}  // namespace

CreatedFiles::CreatedFiles(const char* tempFolder) : tempFolder_(tempFolder), committed_(false), removed_(false) {}

CreatedFiles::~CreatedFiles() { RemoveAll(nullptr); }

void CreatedFiles::RemoveAll(RunFailure* failure) {
    if (committed_ || removed_) return;
    removed_ = true;
    script_.reset();  // closes the script, so that it can be deleted
    hold_.Release();  // a held folder cannot be removed, not even by its holder
    for (const QvString& file : touched_) RemoveOrHandOver(file, DeleteAnyFile, failure);
    for (const QvString& folder : folders_) RemoveOrHandOver(folder, RemoveFolder, failure);
    if (!scriptPath_.IsEmpty()) RemoveOrHandOver(scriptPath_, DeleteAnyFile, failure);
}

const char* CreatedFiles::CurrentPath() const {
    if (!current_.IsEmpty()) return current_;
    if (!scriptPath_.IsEmpty()) return scriptPath_;
    return tempFolder_;
}

void CreatedFiles::ReserveNames(SECURITY_ATTRIBUTES* security) {
    const char* tempFolder = tempFolder_;
    QvString escaped = EscapePercent(tempFolder);
    HANDLE script = INVALID_HANDLE_VALUE;
    scriptPath_ = ReserveUniqueFile(escaped + "%d.bat", security, &script);
    // No free name: the report names the folder where none could be created.
    if (scriptPath_.IsEmpty()) throw new QvStreamException(QvStreamException::OpenFailed, tempFolder);
    try {
        script_.reset(new CleanupScript(scriptPath_, script));
    } catch (...) {
        CloseHandle(script);  // so that the removal can delete the file
        throw;
    }
    QvString folder = ReserveUniqueFolder(escaped + "TVQSetup%d", &folders_, security, &hold_);
    if (folder.IsEmpty()) throw new QvStreamException(QvStreamException::OpenFailed, tempFolder);
    workFolder_ = folder + "\\";
}

void CreatedFiles::StartScript() { script_->WriteFirstText(workFolder_); }

void CreatedFiles::StartFile(const QvString& path) {
    touched_.AddFront(path);
    current_ = path;
}

void CreatedFiles::FinishFile(const QvString& path) {
    current_.Empty();
    script_->WriteDelete(path);
}

void CreatedFiles::FinishScript() {
    script_->WriteRemoveFolders(folders_);
    script_->Finish();
}
