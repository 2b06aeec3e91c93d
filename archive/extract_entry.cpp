#include "extract_entry.h"

#include <string.h>

#include "folder_path.h"
#include "inflate_entry.h"
#include "qv_file_stream.h"
#include "qv_stream_exception.h"

void ExtractEntry(const unsigned char* packed, uint32_t packedSize, const char* targetPath,
                  FolderList* createdFolders) {
    char path[kTargetPathBuffer];
    char folder[kTargetPathBuffer];
    size_t length = strlen(targetPath);
    // Said as what it is, rather than as the failed open it would become.
    if (length > kLongestTargetPath) throw new QvStreamException(QvStreamException::PathTooLong, targetPath);
    memcpy(path, targetPath, length + 1);
    memcpy(folder, path, length + 1);

    char* lastSeparator = strrchr(folder, '\\');
    if (lastSeparator != nullptr) {
        *lastSeparator = '\0';
        CreateFolderPath(folder, createdFolders);
    }

    QvFileStream* file = new QvFileStream(path, QvFileStream::AccessWrite | QvFileStream::OpenCreate);
    bool complete;
    try {
        complete = InflateEntry(packed, packedSize, *file).complete;
    } catch (...) {
        // The file must not stay open: the caller removes what it unpacked,
        // and an open, unshared file cannot be deleted.
        DiscardFileStream(file);
        throw;
    }
    FinishEntryFile(file, complete, path);
}

void FinishEntryFile(QvFileStream* file, bool complete, const char* path) {
    if (!complete) {
        // The damage comes first; a close failing after it must not hide it.
        DiscardFileStream(file);
        throw new QvStreamException(QvStreamException::StreamIncomplete, path);
    }
    delete file;  // closes it; a failing close throws CloseFailed
}
