// Unpacking of one archive entry into one file.
#ifndef TESSAROVEN_EXTRACT_ENTRY_H
#define TESSAROVEN_EXTRACT_ENTRY_H

#include <stdint.h>

#include "folder_list.h"

// Room for a target path, terminator included.
const uint32_t kTargetPathBuffer = 512;
// The longest path the platform's file calls open (MAX_PATH less the
// terminator; the launcher does not opt in to longer ones). A longer target
// could be neither created nor deleted by the clean-up script.
const uint32_t kLongestTargetPath = 259;

// Creates the folders of targetPath (recording each new one in
// createdFolders), creates or empties the file and inflates the packedSize
// bytes at packed into it. Failures leave as QvStreamException, named as in
// qv_stream_exception.h: PathTooLong (with the path) when targetPath is
// longer than kLongestTargetPath, before any folder is created for it; the
// file stream's OpenFailed (with the path),
// WriteFailed, ShortWrite and CloseFailed, thrown as pointers; the engine's,
// by value; StreamIncomplete (pointer, with the path) when the zlib stream
// is damaged or cut short. The file is always closed before the call
// returns or throws.
void ExtractEntry(const unsigned char* packed, uint32_t packedSize, const char* targetPath,
                  FolderList* createdFolders);

class QvFileStream;

// The last step of ExtractEntry: closes and deletes file (owned from here on),
// the entry's output at path, whose inflation has ended. When complete is
// false (the zlib stream did not reach its proper end) it throws
// StreamIncomplete with the path, even if the close fails too: the first
// failure is the one reported. Otherwise a failing close throws CloseFailed.
// Public so that a test can hand it a stream whose close fails.
void FinishEntryFile(QvFileStream* file, bool complete, const char* path);

#endif
