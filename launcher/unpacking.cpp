#include "unpacking.h"

#include <string.h>

#include "archive_format.h"
#include "background_work.h"
#include "folder_path.h"
#include "inflate_entry.h"
#include "payload_archives.h"
#include "qv_file_stream.h"
#include "qv_stream_exception.h"
#include "system_clock.h"

namespace {

[[noreturn]] void ThrowCorrupt(const char* name, const ArchiveCheck& check) {
    QvString text;
    text.Format("%s: %s (record %u)", name, ArchiveFaultText(check.fault), check.entryIndex);
    throw new QvStreamException(QvStreamException::CorruptArchive, text);
}

// Passes every piece on to the file, and lets the window thread hold or
// stop the work between two pieces (background_work.h).
class CheckpointWriter final : public QvWriter {
public:
    explicit CheckpointWriter(QvWriter& file) : file_(file) {}
    uint32_t Write(const void* buffer, uint32_t count) override {
        WorkCheckpoint();
        return file_.Write(buffer, count);
    }

private:
    QvWriter& file_;
};

}  // namespace

void UnpackArchives(const ArchiveSource& source, CreatedFiles* run, RunLog* log) {
    for (const char* const* name = kExtractedArchives; *name != nullptr; ++name) {
        uint32_t size = 0;
        const unsigned char* archive = source.Find(*name, &size);
        if (archive == nullptr) {
            if (log != nullptr) log->Write("%s: not in the launcher, skipped", *name);
            continue;
        }
        uint32_t start = SystemMilliseconds();
        ArchiveCheck check = CheckArchive(archive, size);
        if (check.fault != ArchiveFault::None) ThrowCorrupt(*name, check);

        ArchiveWalker walker(archive, size);
        ArchiveEntry entry;
        unsigned long entries = 0;
        double bytes = 0;
        while (walker.Next(entry)) {
            WorkCheckpoint();
            QvString target = run->WorkFolder() + entry.name;
            // Recorded before it exists, so that a failed run removes what was begun.
            run->StartFile(target);
            UnpackEntry(walker.PackedData(entry), entry.packedSize, target, run->Folders());
            // Complete: its "del" line goes to the clean-up script.
            run->FinishFile(target);
            ++entries;
            bytes += entry.unpackedSize;
        }
        if (log != nullptr)
            log->Write("%s: %lu entries, %.0f bytes unpacked in %lu ms", *name, entries, bytes,
                       static_cast<unsigned long>(SystemMilliseconds() - start));
    }
}

void UnpackEntry(const unsigned char* packed, uint32_t packedSize, const char* targetPath,
                 FolderList* createdFolders) {
    size_t length = strlen(targetPath);
    // Said as what it is, rather than as the failed open it would become.
    if (length > kLongestTargetPath) throw new QvStreamException(QvStreamException::PathTooLong, targetPath);

    char folder[kLongestTargetPath + 1];
    memcpy(folder, targetPath, length + 1);
    char* lastSeparator = strrchr(folder, '\\');
    if (lastSeparator != nullptr) {
        *lastSeparator = '\0';
        CreateFolderPath(folder, createdFolders);
    }

    QvFileStream* file = new QvFileStream(targetPath, QvFileStream::AccessWrite | QvFileStream::OpenCreate);
    bool complete;
    try {
        CheckpointWriter paced(*file);
        complete = InflateEntry(packed, packedSize, paced).complete;
    } catch (...) {
        // The file must not stay open: the run removes what it unpacked, and
        // an open, unshared file cannot be deleted.
        DiscardFileStream(file);
        throw;
    }
    if (!complete) {
        // The damage comes first; a close failing after it must not hide it.
        DiscardFileStream(file);
        throw new QvStreamException(QvStreamException::StreamIncomplete, targetPath);
    }
    delete file;  // closes it; a failing close throws CloseFailed
}
