// The archive format: a four-byte directory offset, the packed entries, and
// a directory of byte-packed records at the end. Portable: it works on a
// block of bytes and knows nothing about resources or files.
#ifndef TESSAROVEN_ARCHIVE_FORMAT_H
#define TESSAROVEN_ARCHIVE_FORMAT_H

#include <stddef.h>
#include <stdint.h>

#include "entry_name_rule.h"
#include "little_endian.h"

// One directory record, with its name copied out as a zero-terminated text.
// A plain value: it owns everything it holds.
struct ArchiveEntry {
    uint32_t index;  // the record's place in the directory, from 0
    uint32_t nameLength;
    char name[kMaxEntryNameLength + 1];
    uint32_t dataOffset;
    uint32_t packedSize;
    uint32_t unpackedSize;
    uint32_t creationTime;
    uint32_t writeTime;
    uint32_t accessTime;
};

// Size of a record with a name of n bytes.
inline uint32_t ArchiveRecordSize(uint32_t nameLength) { return 1 + nameLength + 24; }

// The two fields that open the walk: the directory's offset (at offset 0)
// and the entry count stored there.
struct ArchiveHeader {
    uint32_t directoryOffset;
    uint32_t entryCount;
};

// Reads the header of the size bytes at data into header; false (header
// untouched) when either field would lie outside them.
bool ReadArchiveHeader(const unsigned char* data, uint32_t size, ArchiveHeader* header);

enum class ArchiveFault {
    None,
    TooShort,          // fewer than 8 bytes: no room for the offset and the entry count
    DirectoryOutside,  // directoryOffset or entryCount beyond the end
    RecordOutside,     // a record (name length, name or fields) beyond the end
    DataOutside,       // dataOffset + packedSize beyond the end
    UnsafeName,        // a name that breaks the entry name rule (entry_name_rule.h)
};

// The outcome of a check: the first fault found and the index of the record it concerns.
struct ArchiveCheck {
    ArchiveFault fault;
    uint32_t entryIndex;
};

// A short English description of a fault, for messages; static text.
const char* ArchiveFaultText(ArchiveFault fault);

// True when name (n bytes, no terminator needed) follows the entry name
// rule (entry_name_rule.h): a plain relative path that Windows creates as
// exactly that file below the folder it is extracted into.
bool IsSafeEntryName(const char* name, size_t n);

// Checks that every field the launcher uses lies inside the size bytes at
// data and that every name is safe, before anything is extracted.
ArchiveCheck CheckArchive(const unsigned char* data, uint32_t size);

// Walks the directory in order. Construct it only over an archive that
// CheckArchive accepted; the walker reads bytewise and never past size.
class ArchiveWalker {
public:
    ArchiveWalker(const unsigned char* data, uint32_t size);

    uint32_t EntryCount() const { return header_.entryCount; }
    // Fills entry with the next record and returns true; false after the last.
    bool Next(ArchiveEntry& entry);
    // The first byte of an entry's packed data.
    const unsigned char* PackedData(const ArchiveEntry& entry) const { return data_ + entry.dataOffset; }

private:
    const unsigned char* data_;
    uint32_t size_;
    ArchiveHeader header_;
    uint64_t cursor_;
    uint32_t index_;
};

#endif
