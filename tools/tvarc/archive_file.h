// An archive read from disk for listing, verifying or extracting: its bytes
// and, once the portable reader has checked them, its directory.
#ifndef TESSAROVEN_TVARC_ARCHIVE_FILE_H
#define TESSAROVEN_TVARC_ARCHIVE_FILE_H

#include "archive_format.h"

#include <cstdint>
#include <string>
#include <vector>

// One directory record with the name copied out of the walker.
struct DirectoryRecord {
    uint32_t index;
    std::string name;
    uint32_t dataOffset;
    uint32_t packedSize;
    uint32_t unpackedSize;
    uint32_t creationTime;
    uint32_t writeTime;
    uint32_t accessTime;
};

class ArchiveFile {
public:
    // Reads the whole file; throws ToolError when it cannot be read or
    // cannot be an archive because of its size.
    explicit ArchiveFile(const std::string& path);

    const std::string& Path() const { return path_; }
    const unsigned char* Data() const { return bytes_.data(); }
    uint32_t Size() const { return static_cast<uint32_t>(bytes_.size()); }

    // The bounds and name check the launcher's reader applies.
    ArchiveCheck Check() const { return CheckArchive(Data(), Size()); }
    // "entry 3 'a\b.txt': <fault>" or the fault alone when it concerns no record.
    std::string DescribeFault(const ArchiveCheck& check) const;
    // Throws ToolError with DescribeFault when Check finds a fault.
    void RequireReadable() const;

    // The records in directory order. Only after Check found no fault.
    std::vector<DirectoryRecord> Directory() const;

private:
    std::string path_;
    std::vector<unsigned char> bytes_;
};

#endif
