#include "archive_format.h"

#include <string.h>

#include "entry_name_rule.h"

namespace {

// The one reader of a directory record: fills entry (all but its index)
// from the record at offset of the size bytes at data. False, entry
// unspecified, when the length byte, the name or the fields lie beyond size.
bool ReadRecord(const unsigned char* data, uint32_t size, uint64_t offset, ArchiveEntry* entry) {
    if (offset + 1 > size) return false;
    uint32_t n = data[offset];
    if (offset + ArchiveRecordSize(n) > size) return false;
    memcpy(entry->name, data + offset + 1, n);
    entry->name[n] = '\0';
    entry->nameLength = n;
    const unsigned char* fields = data + offset + 1 + n;
    entry->dataOffset = ReadLe32(fields);
    entry->packedSize = ReadLe32(fields + 4);
    entry->unpackedSize = ReadLe32(fields + 8);
    entry->creationTime = ReadLe32(fields + 12);
    entry->writeTime = ReadLe32(fields + 16);
    entry->accessTime = ReadLe32(fields + 20);
    return true;
}

}  // namespace

const char* ArchiveFaultText(ArchiveFault fault) {
    switch (fault) {
        case ArchiveFault::None: return "no fault";
        case ArchiveFault::TooShort: return "the archive is shorter than its header and directory";
        case ArchiveFault::DirectoryOutside: return "the directory lies outside the archive";
        case ArchiveFault::RecordOutside: return "a directory record lies outside the archive";
        case ArchiveFault::DataOutside: return "an entry's packed data lie outside the archive";
        case ArchiveFault::UnsafeName: return "an entry name leaves the extraction folder or is not a plain relative path";
    }
    return "unknown fault";
}

bool IsSafeEntryName(const char* name, size_t n) { return CheckEntryName(name, n).fault == EntryNameFault::None; }

bool ReadArchiveHeader(const unsigned char* data, uint32_t size, ArchiveHeader* header) {
    if (data == nullptr || size < 8) return false;
    uint32_t directoryOffset = ReadLe32(data);
    // 64-bit arithmetic: no field can wrap an offset back into the archive.
    if (static_cast<uint64_t>(directoryOffset) + 4 > size) return false;
    header->directoryOffset = directoryOffset;
    header->entryCount = ReadLe32(data + directoryOffset);
    return true;
}

ArchiveCheck CheckArchive(const unsigned char* data, uint32_t size) {
    if (data == nullptr || size < 8) return {ArchiveFault::TooShort, 0};
    ArchiveHeader header;
    if (!ReadArchiveHeader(data, size, &header)) return {ArchiveFault::DirectoryOutside, 0};
    uint64_t cursor = static_cast<uint64_t>(header.directoryOffset) + 4;
    // Each record needs at least 25 bytes; a larger count cannot fit.
    if (header.entryCount > (size - cursor) / ArchiveRecordSize(0)) return {ArchiveFault::DirectoryOutside, 0};
    ArchiveEntry entry;
    for (uint32_t i = 0; i < header.entryCount; ++i) {
        if (!ReadRecord(data, size, cursor, &entry)) return {ArchiveFault::RecordOutside, i};
        if (!IsSafeEntryName(entry.name, entry.nameLength)) return {ArchiveFault::UnsafeName, i};
        if (static_cast<uint64_t>(entry.dataOffset) + entry.packedSize > size) return {ArchiveFault::DataOutside, i};
        cursor += ArchiveRecordSize(entry.nameLength);
    }
    return {ArchiveFault::None, 0};
}

ArchiveWalker::ArchiveWalker(const unsigned char* data, uint32_t size)
    : data_(data), size_(size), header_{0, 0}, cursor_(0), index_(0) {
    // Without a header there is nothing to walk: the count stays 0.
    if (ReadArchiveHeader(data_, size_, &header_)) cursor_ = static_cast<uint64_t>(header_.directoryOffset) + 4;
}

bool ArchiveWalker::Next(ArchiveEntry& entry) {
    if (index_ >= header_.entryCount) return false;
    // Guards the walk even over an archive nobody checked.
    if (!ReadRecord(data_, size_, cursor_, &entry)) return false;
    entry.index = index_;
    cursor_ += ArchiveRecordSize(entry.nameLength);
    ++index_;
    return true;
}
