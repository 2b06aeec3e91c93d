// The launcher's check of its own file: a download that was damaged on its
// way is caught before anything is unpacked from it.
#ifndef TESSAROVEN_SELF_CHECK_H
#define TESSAROVEN_SELF_CHECK_H

#include <windows.h>

#include "qv_string.h"

// What a file's bytes say about the checksum in its PE header.
enum class ImageFileState {
    Intact,      // the bytes give the stored checksum
    NoChecksum,  // the header stores 0: nothing to compare with
    Damaged,     // the bytes give another checksum, or the header is no PE header
    Unreadable   // the file could not be opened or read to its end
};

// Returns the state of the file at path, read front to back in pieces of
// 1 MB, so that a launcher of any size needs only that much memory. Asks
// the work's checkpoint before each piece (background_work.h), which
// throws WorkStopped when the run is stopped.
ImageFileState CheckImageFile(const wchar_t* path);

// True when the file module was loaded from is damaged. An intact file, a
// file without checksum and a file that cannot be read for the check (the
// run then fails where it would have failed anyway) all give false.
bool LauncherFileIsDamaged(HMODULE module);

// The damaged-download message, naming module's file, in the user's language.
QvString DamagedLauncherReport(HMODULE module);

#endif
