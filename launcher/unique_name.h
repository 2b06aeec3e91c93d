// Names of files and folders that do not exist yet: candidates from a
// pattern, tried in the order of a pseudo-random generator, and taken at
// once by the run that reserves them.
#ifndef TESSAROVEN_UNIQUE_NAME_H
#define TESSAROVEN_UNIQUE_NAME_H

#include <windows.h>

#include "folder_hold.h"
#include "path_list.h"
#include "qv_string.h"

// The candidates of pattern (a format with one %d; a literal percent sign
// doubled): pattern filled with 0, then with up to 999 pseudo-random
// numbers 0..32767 of the C run-time's generator (state = state * 214013 +
// 2531011, each number (state >> 16) & 0x7FFF), which the process's first
// name seeds once from the system's millisecond clock. The reservations
// take the first candidate they can create, so that two launchers starting
// together can never get the same name. Each returns the name, or an empty
// string when no candidate could be created; security (null: the parent's)
// is what the new folder or file is created with.
//
// A new folder, created and held in one step by hold (which must hold
// nothing before), and recorded at the front of createdFolders when that is
// not null. A folder that cannot be recorded for lack of memory is let go
// and removed again before std::bad_alloc leaves.
QvString ReserveUniqueFolder(QvString pattern, FolderList* createdFolders, SECURITY_ATTRIBUTES* security,
                             FolderHold* hold);
// A new empty file, left open for writing, unshared, in *file (the caller
// closes it); INVALID_HANDLE_VALUE there when no name was free.
QvString ReserveUniqueFile(QvString pattern, SECURITY_ATTRIBUTES* security, HANDLE* file);

// Offered by the interface without a caller in the launcher itself, which
// reserves its names instead: the first candidate of pattern that names no
// existing file or folder, creating nothing; an empty string when all are taken.
QvString MakeUniqueName(QvString pattern);

#endif
