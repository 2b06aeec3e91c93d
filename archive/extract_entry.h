// Unpacking of one archive entry into one file.
#ifndef TESSAROVEN_EXTRACT_ENTRY_H
#define TESSAROVEN_EXTRACT_ENTRY_H

#include <stdint.h>

#include "folder_list.h"

// Room for a target path, terminator included.
const uint32_t kTargetPathBuffer = 512;

// Creates the folders of targetPath (recording each new one in
// createdFolders), creates or empties the file and inflates the packedSize
// bytes at packed into it. Failures leave as QvStreamException: the file
// stream's as pointers (code 7 with the path when the file cannot be opened,
// 2/3 for writes, 8 for the close), the engine's by value; code 20 (pointer,
// the path) when the zlib stream is damaged or cut short, code 22 (pointer,
// the path) when targetPath does not fit 512 bytes. The file is always
// closed before the call returns or throws.
void ExtractEntry(const unsigned char* packed, uint32_t packedSize, const char* targetPath,
                  FolderList* createdFolders);

class QvFileStream;

// The last step of ExtractEntry: closes and deletes file (owned from here on),
// the entry's output at path, whose inflation has ended. When complete is
// false (the zlib stream did not reach its proper end) it throws code 20
// with the path, even if the close fails too: the first failure is the one
// reported. Otherwise a failing close throws code 8.
void FinishEntryFile(QvFileStream* file, bool complete, const char* path);

#endif
