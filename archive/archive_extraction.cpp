#include "archive_extraction.h"

#include "archive_format.h"
#include "extract_entry.h"
#include "qv_stream_exception.h"

namespace {

[[noreturn]] void ThrowCorrupt(const char* name, const ArchiveCheck& check) {
    QvString text;
    text.Format("%s: %s (record %u)", name, ArchiveFaultText(check.fault), check.entryIndex);
    throw new QvStreamException(QvStreamException::CorruptArchive, text);
}

}  // namespace

void ExtractArchives(const ArchiveSource& source, const char* const* names, const QvString& workFolder,
                     FolderList* createdFolders, ExtractionObserver* observer) {
    for (; *names != nullptr; ++names) {
        uint32_t size = 0;
        const unsigned char* archive = source.Find(*names, &size);
        if (archive == nullptr) continue;
        ArchiveCheck check = CheckArchive(archive, size);
        if (check.fault != ArchiveFault::None) ThrowCorrupt(*names, check);

        ArchiveWalker walker(archive, size);
        ArchiveEntry entry;
        while (walker.Next(entry)) {
            QvString target = workFolder + entry.name;
            if (observer != nullptr) observer->EntryStarting(target);
            ExtractEntry(walker.PackedData(entry), entry.packedSize, target, createdFolders);
            if (observer != nullptr) observer->EntryExtracted(target);
        }
    }
}
