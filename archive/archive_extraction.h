// The archive loop of the main sequence: the six archives in their fixed
// order, each checked and then unpacked entry by entry.
#ifndef TESSAROVEN_ARCHIVE_EXTRACTION_H
#define TESSAROVEN_ARCHIVE_EXTRACTION_H

#include <stdint.h>
#include <windows.h>

#include "folder_list.h"
#include "qv_string.h"

// The archives the launcher unpacks, in order, ending with a null pointer.
// APPBASE and MIRVAUNINST are left in place for the next stage.
extern const char* const kExtractedArchives[7];

// Where the loop finds its archives.
class ArchiveSource {
public:
    // The bytes of the archive called name and their count, or null when
    // there is no such archive or it cannot be loaded. The bytes stay valid
    // for the life of the source.
    virtual const unsigned char* Find(const char* name, uint32_t* size) const = 0;

protected:
    ~ArchiveSource() = default;
};

// Archives embedded as resources of type TVArc in a module.
class ResourceArchiveSource : public ArchiveSource {
public:
    explicit ResourceArchiveSource(HMODULE module) : module_(module) {}
    const unsigned char* Find(const char* name, uint32_t* size) const override;

private:
    HMODULE module_;
};

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
// those that are missing, checks its whole directory
// against the resource's size, then unpacks its entries in directory order
// to workFolder (ending in a backslash) + entry name. Throws (as pointers)
// QvStreamException code 21 naming the archive and the fault when an
// archive is corrupt, before any of its files is written, and lets every
// failure of ExtractEntry through.
void ExtractArchives(const ArchiveSource& source, const char* const* names, const QvString& workFolder,
                     FolderList* createdFolders, ExtractionObserver* observer);

#endif
