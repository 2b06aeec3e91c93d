// The archive loop of the main sequence: the named archives in order, each
// checked and then unpacked entry by entry.
#ifndef TESSAROVEN_ARCHIVE_EXTRACTION_H
#define TESSAROVEN_ARCHIVE_EXTRACTION_H

#include "archive_source.h"
#include "folder_list.h"
#include "qv_string.h"

// Told about each entry the loop unpacks.
class ExtractionObserver {
public:
    // Called with the target path just before the entry is unpacked.
    virtual void EntryStarting(const QvString& targetPath) = 0;
    // Called with the target path after the entry's file is complete.
    virtual void EntryExtracted(const QvString& targetPath) = 0;

protected:
    ~ExtractionObserver() = default;
};

// Finds each archive named in names (null-terminated) in source, skipping
// those that are missing, checks its whole directory against the
// resource's size, then unpacks its entries in directory order to
// workFolder (ending in a backslash) + entry name, recording the folders it
// creates in createdFolders and telling observer (when not null) about each
// entry. Throws (as a pointer) QvStreamException CorruptArchive, whose text
// names the archive and the fault, when an archive is corrupt, before any
// of its files is written; lets every failure of ExtractEntry through.
void ExtractArchives(const ArchiveSource& source, const char* const* names, const QvString& workFolder,
                     FolderList* createdFolders, ExtractionObserver* observer);

#endif
