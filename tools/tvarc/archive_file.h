// An archive read from disk for listing, verifying or extracting: its bytes
// and, once the portable reader has checked them, its directory.
#ifndef TESSAROVEN_TVARC_ARCHIVE_FILE_H
#define TESSAROVEN_TVARC_ARCHIVE_FILE_H

#include "archive_format.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class ArchiveFile {
public:
    // Reads the whole file; throws ToolError when it cannot be read or
    // cannot be an archive because of its size.
    explicit ArchiveFile(const std::string& path);
    // An archive already in memory (the fuzzer's); path only names it in messages.
    ArchiveFile(const std::string& path, std::vector<unsigned char> bytes) : path_(path), bytes_(std::move(bytes)) {}

    const std::string& Path() const { return path_; }
    const unsigned char* Data() const { return bytes_.data(); }
    uint32_t Size() const { return static_cast<uint32_t>(bytes_.size()); }

    // The bounds and name check the launcher's reader applies.
    ArchiveCheck Check() const { return CheckArchive(Data(), Size()); }
    // "entry 3 'a\b.txt': <fault>" or the fault alone when it concerns no record.
    std::string DescribeFault(const ArchiveCheck& check) const;
    // Throws ToolError with DescribeFault when Check finds a fault.
    void RequireReadable() const;

    // The directory's offset and entry count. Only after Check found no fault.
    ArchiveHeader Header() const;
    // The records in directory order. Only after Check found no fault.
    std::vector<ArchiveEntry> Directory() const;

private:
    std::string path_;
    std::vector<unsigned char> bytes_;
};

#endif
