#include "extract_entry.h"

#include <string.h>

#include <memory>

#include <zlib.h>

#include "folder_path.h"
#include "qv_file_stream.h"
#include "qv_inflate.h"
#include "qv_memory_reader.h"
#include "qv_stream_exception.h"

void ExtractEntry(const unsigned char* packed, uint32_t packedSize, const char* targetPath,
                  FolderList* createdFolders) {
    char path[kTargetPathBuffer];
    char folder[kTargetPathBuffer];
    size_t length = strlen(targetPath);
    if (length >= kTargetPathBuffer) throw new QvStreamException(QvStreamException::PathTooLong, targetPath);
    memcpy(path, targetPath, length + 1);
    memcpy(folder, path, length + 1);

    char* lastSeparator = strrchr(folder, '\\');
    if (lastSeparator != nullptr) {
        *lastSeparator = '\0';
        CreateFolderPath(folder, createdFolders);
    }

    // The reader is deleted last, after the converter and the file stream.
    std::unique_ptr<QvMemoryReader> reader(new QvMemoryReader(packed, packedSize));
    QvFileStream* file = nullptr;
    QvInflatingConverter* converter = nullptr;
    try {
        file = new QvFileStream(path, QvFileStream::AccessWrite | QvFileStream::OpenCreate);
        converter = new QvInflatingConverter;
        converter->Transfer(*file, *reader, 0);
    } catch (...) {
        // The file must not stay open: the caller removes what it unpacked,
        // and an open, unshared file cannot be deleted.
        delete converter;
        DiscardFileStream(file);
        throw;
    }
    bool complete = converter->EndResult() == Z_STREAM_END;
    delete converter;
    FinishEntryFile(file, complete, path);
}

void FinishEntryFile(QvFileStream* file, bool complete, const char* path) {
    if (!complete) {
        // The damage comes first; a close failing after it must not hide it.
        DiscardFileStream(file);
        throw new QvStreamException(QvStreamException::StreamIncomplete, path);
    }
    delete file;  // closes it; a failing close throws code 8
}
