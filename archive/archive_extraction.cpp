#include "archive_extraction.h"

#include "archive_format.h"
#include "extract_entry.h"
#include "qv_stream_exception.h"

const char* const kExtractedArchives[7] = {"BASE",    "SETUPBASE", "SETUPMIRVASTONE", "MIRVASTONE",
                                           "TVIMAGE", "TVVERSION", nullptr};

namespace {

const char kArchiveType[] = "TVArc";

[[noreturn]] void ThrowCorrupt(const char* name, const ArchiveCheck& check) {
    QvString text;
    text.Format("%s: %s (record %u)", name, ArchiveFaultText(check.fault), check.entryIndex);
    throw new QvStreamException(QvStreamException::CorruptArchive, text);
}

}  // namespace

const unsigned char* ResourceArchiveSource::Find(const char* name, uint32_t* size) const {
    HRSRC info = FindResourceA(module_, name, kArchiveType);
    if (info == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module_, info);
    if (loaded == nullptr) return nullptr;
    *size = SizeofResource(module_, info);
    return static_cast<const unsigned char*>(LockResource(loaded));
}

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
