#include "archive_format.h"

#include <string.h>

#include "entry_name_rule.h"

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

ArchiveCheck CheckArchive(const unsigned char* data, uint32_t size) {
    if (data == nullptr || size < 8) return {ArchiveFault::TooShort, 0};
    uint32_t directoryOffset = ReadLe32(data);
    // 64-bit arithmetic: no field can wrap an offset back into the archive.
    if (static_cast<uint64_t>(directoryOffset) + 4 > size) return {ArchiveFault::DirectoryOutside, 0};
    uint32_t entryCount = ReadLe32(data + directoryOffset);
    uint64_t cursor = static_cast<uint64_t>(directoryOffset) + 4;
    // Each record needs at least 25 bytes; a larger count cannot fit.
    if (entryCount > (size - cursor) / ArchiveRecordSize(0)) return {ArchiveFault::DirectoryOutside, 0};
    for (uint32_t i = 0; i < entryCount; ++i) {
        if (cursor + 1 > size) return {ArchiveFault::RecordOutside, i};
        uint32_t n = data[cursor];
        if (cursor + ArchiveRecordSize(n) > size) return {ArchiveFault::RecordOutside, i};
        if (!IsSafeEntryName(reinterpret_cast<const char*>(data + cursor + 1), n))
            return {ArchiveFault::UnsafeName, i};
        const unsigned char* fields = data + cursor + 1 + n;
        uint64_t dataOffset = ReadLe32(fields);
        uint64_t packedSize = ReadLe32(fields + 4);
        if (dataOffset + packedSize > size) return {ArchiveFault::DataOutside, i};
        cursor += ArchiveRecordSize(n);
    }
    return {ArchiveFault::None, 0};
}

ArchiveWalker::ArchiveWalker(const unsigned char* data, uint32_t size)
    : data_(data), size_(size), cursor_(0), entryCount_(0), index_(0), name_(nullptr) {
    if (data_ == nullptr || size_ < 8) return;
    cursor_ = ReadLe32(data_);
    if (static_cast<uint64_t>(cursor_) + 4 > size_) return;
    entryCount_ = ReadLe32(data_ + cursor_);
    cursor_ += 4;
}

ArchiveWalker::~ArchiveWalker() { delete[] name_; }

bool ArchiveWalker::Next(ArchiveEntry& entry) {
    if (index_ >= entryCount_) return false;
    // Guards the walk even over an archive nobody checked.
    if (static_cast<uint64_t>(cursor_) + 1 > size_) return false;
    uint32_t n = data_[cursor_];
    if (static_cast<uint64_t>(cursor_) + ArchiveRecordSize(n) > size_) return false;
    delete[] name_;
    name_ = new char[n + 1];
    memcpy(name_, data_ + cursor_ + 1, n);
    name_[n] = '\0';
    const unsigned char* fields = data_ + cursor_ + 1 + n;
    entry.name = name_;
    entry.nameLength = n;
    entry.dataOffset = ReadLe32(fields);
    entry.packedSize = ReadLe32(fields + 4);
    entry.unpackedSize = ReadLe32(fields + 8);
    entry.creationTime = ReadLe32(fields + 12);
    entry.writeTime = ReadLe32(fields + 16);
    entry.accessTime = ReadLe32(fields + 20);
    cursor_ += ArchiveRecordSize(n);
    ++index_;
    return true;
}
