// The directory walk and the checks that guard it, on archives built here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_builder.h"
#include "archive_format.h"

namespace {

std::vector<std::string> WalkNames(const Bytes& a) {
    std::vector<std::string> names;
    ArchiveWalker walker(a.data(), static_cast<uint32_t>(a.size()));
    ArchiveEntry e;
    while (walker.Next(e)) names.push_back(e.name);
    return names;
}

ArchiveFault FaultOf(const Bytes& a) { return CheckArchive(a.data(), static_cast<uint32_t>(a.size())).fault; }

// Offset of the fields of record i (behind its name).
size_t FieldsOf(const Bytes& a, uint32_t index) {
    size_t cursor = ReadLe32(a.data()) + 4;
    for (uint32_t i = 0; i < index; ++i) cursor += ArchiveRecordSize(a[cursor]);
    return cursor + 1 + a[cursor];
}

}  // namespace

TEST(ArchiveWalk, ReadsUnalignedFieldsInDirectoryOrder) {
    // Names of odd lengths put every following field at an odd address.
    std::vector<BuiltEntry> entries = {PackedEntry("zeta.txt", "last by name"), PackedEntry("a\\b.bin", "x"),
                                       PackedEntry("dir\\sub\\c.dat", std::string(300, 'c')),
                                       PackedEntry("empty", "")};
    Bytes a = BuildArchive(entries);
    ASSERT_EQ(ArchiveFault::None, FaultOf(a));
    EXPECT_EQ((std::vector<std::string>{"zeta.txt", "a\\b.bin", "dir\\sub\\c.dat", "empty"}), WalkNames(a));

    ArchiveWalker walker(a.data(), static_cast<uint32_t>(a.size()));
    EXPECT_EQ(4u, walker.EntryCount());
    ArchiveEntry e;
    uint32_t expectedOffset = 4;
    for (const BuiltEntry& built : entries) {
        ASSERT_TRUE(walker.Next(e));
        EXPECT_EQ(built.name.size(), e.nameLength);
        EXPECT_EQ(expectedOffset, e.dataOffset);
        EXPECT_EQ(built.packed.size(), e.packedSize);
        EXPECT_EQ(built.unpackedSize, e.unpackedSize);
        EXPECT_EQ(1000000000u, e.creationTime);
        EXPECT_EQ(1000000001u, e.writeTime);
        EXPECT_EQ(1000000002u, e.accessTime);
        EXPECT_EQ(0, memcmp(built.packed.data(), walker.PackedData(e), built.packed.size()));
        expectedOffset += e.packedSize;
    }
    EXPECT_FALSE(walker.Next(e));
}

TEST(ArchiveWalk, EmptyArchiveIsEightBytes) {
    Bytes a = BuildArchive({});
    ASSERT_EQ(8u, a.size());
    EXPECT_EQ(ArchiveFault::None, FaultOf(a));
    EXPECT_TRUE(WalkNames(a).empty());
}

TEST(ArchiveCheck, FieldsPointingOutsideAreFoundBeforeAnyEntryIsUsed) {
    Bytes good = BuildArchive({PackedEntry("one", "1111"), PackedEntry("two", "2222")});
    ASSERT_EQ(ArchiveFault::None, FaultOf(good));

    EXPECT_EQ(ArchiveFault::TooShort, FaultOf(Bytes(good.begin(), good.begin() + 7)));
    Bytes bad = good;
    PutLe32(bad, 0, static_cast<uint32_t>(good.size()) - 3);  // entry count would run off the end
    EXPECT_EQ(ArchiveFault::DirectoryOutside, FaultOf(bad));
    bad = good;
    PutLe32(bad, 0, 0xFFFFFFFEu);  // must not wrap around
    EXPECT_EQ(ArchiveFault::DirectoryOutside, FaultOf(bad));
    bad = good;
    PutLe32(bad, ReadLe32(bad.data()), 1000000);  // far more records than bytes
    EXPECT_EQ(ArchiveFault::DirectoryOutside, FaultOf(bad));
    bad = good;
    PutLe32(bad, ReadLe32(bad.data()), 3);  // one record too many: cut off by the end
    EXPECT_EQ(ArchiveFault::DirectoryOutside, FaultOf(bad));
    bad = Bytes(good.begin(), good.end() - 1);  // the last record is truncated
    ArchiveCheck check = CheckArchive(bad.data(), static_cast<uint32_t>(bad.size()));
    EXPECT_EQ(ArchiveFault::RecordOutside, check.fault);
    EXPECT_EQ(1u, check.entryIndex);
    bad = good;
    bad[ReadLe32(bad.data()) + 4] = 200;  // name length beyond the end
    EXPECT_EQ(ArchiveFault::RecordOutside, FaultOf(bad));
    bad = good;
    PutLe32(bad, FieldsOf(bad, 1) + 4, 0xFFFFFFF0u);  // packedSize wraps past the end
    check = CheckArchive(bad.data(), static_cast<uint32_t>(bad.size()));
    EXPECT_EQ(ArchiveFault::DataOutside, check.fault);
    EXPECT_EQ(1u, check.entryIndex);
    bad = good;
    PutLe32(bad, FieldsOf(bad, 0), static_cast<uint32_t>(good.size()));  // dataOffset at the end, size > 0
    EXPECT_EQ(ArchiveFault::DataOutside, FaultOf(bad));
    EXPECT_EQ(ArchiveFault::TooShort, CheckArchive(nullptr, 100).fault);
}

TEST(ArchiveCheck, NamesThatCouldLeaveTheFolderAreRefused) {
    const char* refused[] = {"",          "C:x",     "a:b",      "\\abs",   "a/b",     "a\\\\b", "a\\",
                             ".",         "..",      "a\\..\\b", "a\\.\\b", "..\\up",  "tab\there",
                             "nl\nname",  "del\x7f"};
    for (const char* name : refused) {
        EXPECT_FALSE(IsSafeEntryName(name, strlen(name))) << name;
        Bytes a = BuildArchive({PackedEntry("fine.txt", "ok"), PackedEntry(name, "bad")});
        ArchiveCheck check = CheckArchive(a.data(), static_cast<uint32_t>(a.size()));
        EXPECT_EQ(ArchiveFault::UnsafeName, check.fault) << name;
        EXPECT_EQ(1u, check.entryIndex) << name;
    }
    const char* accepted[] = {"a", "a.b", "dir\\file.txt", "one\\two\\three.bin", "..x", "x..", "name with blank"};
    for (const char* name : accepted) EXPECT_TRUE(IsSafeEntryName(name, strlen(name))) << name;
    // A name with an embedded zero byte would be cut short on disk.
    EXPECT_FALSE(IsSafeEntryName("a\0b", 3));
}
