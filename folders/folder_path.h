// Creation of the folders along a path, recording each folder created.
#ifndef TESSAROVEN_FOLDER_PATH_H
#define TESSAROVEN_FOLDER_PATH_H

#include "path_list.h"

// Creates every missing folder along path (a folder path without trailing
// backslash) and adds each one it creates at the front of createdFolders
// (null: record nothing). Returns 0 when the path existed or was created,
// 1 on failure; folders created before a failure stay created and recorded.
// Only folders this call made are recorded: one that another process made
// meanwhile is entered, never recorded, so that a clean-up never removes it.
// A folder it made but cannot enter or read the full path of is removed
// again (1). A path from a drive's root ("D:\\...") starts there, whatever
// the process last used on that drive, which may be gone. The current
// drive and directory are the same before and after the call. Throws std::bad_alloc when a new folder cannot be recorded; that
// folder is removed again, and the drive and directory are restored all the
// same.
int CreateFolderPath(const char* path, FolderList* createdFolders);

#endif
