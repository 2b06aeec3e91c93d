#include "verify.h"

#include "entry_name.h"
#include "zlib_stream.h"

#include <cstdio>

namespace {

std::string Entry(const ArchiveEntry& record) {
    return "entry " + std::to_string(record.index) + " '" + Printable(record.name) + "': ";
}

// Offset 0 holds the directory offset; the first entry's data follow it.
constexpr uint32_t kDataStart = 4;

void CheckDataArea(const ArchiveFile& archive, const std::vector<ArchiveEntry>& records, VerifyReport& report) {
    uint32_t directoryOffset = archive.Header().directoryOffset;
    if (directoryOffset < kDataStart)
        report.problems.push_back("directory: offset " + std::to_string(directoryOffset) + " lies inside the header");
    uint64_t expected = kDataStart;
    for (const ArchiveEntry& record : records) {
        if (record.dataOffset != expected)
            report.problems.push_back(Entry(record) + "data area: data start at " + std::to_string(record.dataOffset) +
                                      ", expected " + std::to_string(expected) +
                                      " (entries' data follow each other in directory order, without gaps)");
        // Continuing from where this entry really ends reports one fault once.
        expected = static_cast<uint64_t>(record.dataOffset) + record.packedSize;
    }
    if (expected == directoryOffset) return;
    if (records.empty())
        report.problems.push_back("data area: an archive without entries has its directory at " +
                                  std::to_string(directoryOffset) + ", expected " + std::to_string(kDataStart));
    else
        report.problems.push_back(Entry(records.back()) + "data area: the last entry's data end at " + std::to_string(expected) +
                                  ", the directory starts at " + std::to_string(directoryOffset));
}

void CheckDirectoryEnd(const ArchiveFile& archive, const std::vector<ArchiveEntry>& records, VerifyReport& report) {
    uint64_t end = static_cast<uint64_t>(archive.Header().directoryOffset) + 4;
    for (const ArchiveEntry& record : records) end += ArchiveRecordSize(record.nameLength);
    if (end == archive.Size()) return;
    std::string which = records.empty() ? "the entry count" : "the last record";
    std::string prefix = records.empty() ? std::string() : Entry(records.back());
    report.problems.push_back(prefix + "directory end: " + which + " ends at " + std::to_string(end) + ", the archive has " +
                              std::to_string(archive.Size()) + " bytes");
}

void CheckStream(const ArchiveFile& archive, const ArchiveEntry& record, VerifyReport& report) {
    const unsigned char* packed = archive.Data() + record.dataOffset;
    // Every stream the tool writes opens so; the launcher would inflate other zlib headers too.
    if (record.packedSize >= 2 && (packed[0] != kZlibHeader0 || packed[1] != kZlibHeader1)) {
        char bytes[16];
        std::snprintf(bytes, sizeof bytes, "%02X %02X", packed[0], packed[1]);
        report.problems.push_back(Entry(record) + "stream: header bytes " + bytes + ", expected 78 9C");
    }
    // What passes here is what the launcher unpacks: the same inflation,
    // stopped where the directory's size ends.
    InflateResult result = InflateZlibStream(packed, record.packedSize, record.unpackedSize, nullptr);
    if (result.fault == StreamFault::Oversized) {
        report.problems.push_back(Entry(record) + "unpacked size: " + result.detail);
        return;
    }
    if (result.fault != StreamFault::None) {
        report.problems.push_back(Entry(record) + "stream: " + result.detail);
        return;
    }
    if (result.unpackedSize != record.unpackedSize)
        report.problems.push_back(Entry(record) + "unpacked size: the stream inflates to " + std::to_string(result.unpackedSize) +
                                  " bytes, the directory says " + std::to_string(record.unpackedSize));
}

}  // namespace

VerifyReport Verify(const ArchiveFile& archive) {
    VerifyReport report;
    ArchiveCheck check = archive.Check();
    if (check.fault != ArchiveFault::None) {
        // Beyond this fault the directory cannot be walked safely.
        report.problems.push_back(archive.DescribeFault(check));
        return report;
    }
    std::vector<ArchiveEntry> records = archive.Directory();
    report.entries = static_cast<uint32_t>(records.size());

    CheckDataArea(archive, records, report);
    CheckDirectoryEnd(archive, records, report);
    NameCollisions collisions;
    for (const ArchiveEntry& record : records) {
        report.packedBytes += record.packedSize;
        report.unpackedBytes += record.unpackedSize;
        CheckStream(archive, record, report);

        std::string problem = NameProblem(record.name);
        if (!problem.empty()) report.problems.push_back(Entry(record) + "name: " + problem);
        problem = collisions.Add(record.name);
        if (!problem.empty()) report.problems.push_back(Entry(record) + "name: " + problem);

        if (record.accessTime < record.writeTime)
            report.problems.push_back(Entry(record) + "times: access time " + std::to_string(record.accessTime) +
                                      " is earlier than write time " + std::to_string(record.writeTime));
    }
    return report;
}
