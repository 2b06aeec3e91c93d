#include "folder_path.h"

#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>

namespace {

// A component longer than this cannot be a folder name on the platform.
const size_t kComponentMax = 256;

// The platform's drive number for a drive letter (A or a = 1), or 0 when the
// character is not a letter.
int DriveNumber(char letter) {
    int number = (static_cast<unsigned char>(letter) - 64) & ~32;
    return number >= 1 && number <= 26 ? number : 0;
}

// Puts the current drive and directory back as they were when it was made,
// also when the walk leaves by an exception (no memory to record a folder):
// a folder left current could not be removed by the run's clean-up.
class CurrentDirectoryRestorer {
public:
    CurrentDirectoryRestorer() : drive_(_getdrive()), start_(_getcwd(nullptr, 0)), onDrive_(nullptr) {}
    ~CurrentDirectoryRestorer() {
        if (onDrive_ != nullptr) _chdir(onDrive_);
        _chdrive(drive_);
        if (start_ != nullptr) _chdir(start_);
        free(onDrive_);
        free(start_);
    }
    CurrentDirectoryRestorer(const CurrentDirectoryRestorer&) = delete;
    CurrentDirectoryRestorer& operator=(const CurrentDirectoryRestorer&) = delete;

    // Remembers the current directory of the drive just made current.
    void RememberDriveDirectory() { onDrive_ = _getcwd(nullptr, 0); }

private:
    int drive_;
    // The directory as well as the drive: making a drive current enters the
    // directory the process last used there, which is the drive's root when
    // nothing recorded one, so the drive alone would not bring us back.
    char* start_;
    char* onDrive_;
};

// Leaves the folder component just made and entered, and removes it again.
void LeaveNewFolder(const char* component) {
    _chdir("..");
    _rmdir(component);
}

// Enters the folder component that this run has just made and records it
// by the full path the platform reports. A folder it cannot enter or name
// is removed again: every folder of the run that stays is in the list, which
// is what a failed run removes. Throws std::bad_alloc (the folder removed)
// when there is no memory to record it.
bool EnterNewFolder(const char* component, FolderList* createdFolders) {
    if (_chdir(component) != 0) {
        _rmdir(component);
        return false;
    }
    // Recorded by the full path however long it is: a clipped path would
    // make the clean-up script remove the wrong folder, or none.
    char* created = _getcwd(nullptr, 0);
    if (created == nullptr) {
        LeaveNewFolder(component);
        return false;
    }
    if (createdFolders != nullptr) {
        try {
            createdFolders->AddFront(QvString(created));
        } catch (...) {
            free(created);
            LeaveNewFolder(component);
            throw;
        }
    }
    free(created);
    return true;
}

// The walk behind CreateFolderPath: creates and enters the components of
// rest (relative to the current directory) one after another, recording
// each folder it creates by the full path the platform reports. Returns 0
// or 1. Leaves the current directory changed; CreateFolderPath restores it.
int CreateRelativeFolders(const char* rest, FolderList* createdFolders) {
    const char* separator = strchr(rest, '\\');
    size_t n = separator != nullptr ? static_cast<size_t>(separator - rest) : strlen(rest);
    if (n > kComponentMax) return 1;
    char component[kComponentMax + 1];
    memcpy(component, rest, n);
    component[n] = '\0';

    if (_chdir(component) != 0) {
        if (_mkdir(component) != 0) {
            // Not made by this run, though it may be there now (made by
            // someone else since the first look): entered, never recorded,
            // so that the run's clean-up never removes another's folder.
            if (_chdir(component) != 0) return 1;
        } else if (!EnterNewFolder(component, createdFolders)) {
            return 1;
        }
    }
    if (separator != nullptr) return CreateRelativeFolders(separator + 1, createdFolders);
    return 0;
}

}  // namespace

int CreateFolderPath(const char* path, FolderList* createdFolders) {
    if (_access(path, 0) == 0) return 0;

    CurrentDirectoryRestorer restorer;
    int result = 0;
    bool hasColon = strchr(path, ':') != nullptr;
    if (hasColon) {
        if (path[1] != ':') {
            result = 1;
        } else if (DriveNumber(path[0]) == 0) {
            result = 1;
        } else if (path[2] == '\\') {
            // A path from the root needs nothing of the drive's remembered
            // folder, which may be gone (a command prompt's, removed since):
            // making the drive current would enter it, and fail.
            char root[4] = {path[0], ':', '\\', '\0'};
            result = _chdir(root) == 0 ? 0 : 1;
        } else {
            result = _chdrive(DriveNumber(path[0])) == 0 ? 0 : 1;
        }
    }
    restorer.RememberDriveDirectory();

    if (result == 0) {
        const char* rest = hasColon ? path + 2 : path;
        if (*rest == '\\') {
            if (_chdir("\\") != 0) result = 1;
            ++rest;
        }
        if (result == 0) result = CreateRelativeFolders(rest, createdFolders);
    }
    return result;
}
