// The launcher's check of its own file: a download that was damaged on its
// way is caught before anything is unpacked from it.
#ifndef TESSAROVEN_SELF_CHECK_H
#define TESSAROVEN_SELF_CHECK_H

#include <windows.h>

// What a file's bytes say about the checksum in its PE header.
enum class ImageFileState {
    Intact,      // the bytes give the stored checksum
    NoChecksum,  // the header stores 0: nothing to compare with
    Damaged,     // the bytes give another checksum, or the header is no PE header
    Unreadable   // the file could not be opened or read to its end
};

// Returns the state of the file at path, read front to back in pieces of
// 1 MB, so that a launcher of any size needs only that much memory.
ImageFileState CheckImageFile(const wchar_t* path);

// Checks the file module was loaded from. Returns true when the launcher
// may go on: its file is intact, carries no checksum, or cannot be read
// for the check (the run then fails where it would have failed anyway).
// When it is damaged, shows the damaged-download message in the user's
// language (without owner window, on top) and returns false; nothing has
// been created then.
bool ConfirmIntactLauncherFile(HMODULE module);

#endif
