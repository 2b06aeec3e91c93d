// The directory walk and the checks that guard it, on archives built here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_builder.h"
#include "archive_format.h"
#include "entry_name_rule.h"

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

TEST(ArchiveCheck, OneNameRuleForTheLauncherAndTheTool) {
    typedef EntryNameFault F;
    struct Case {
        std::string name;
        F fault;
        size_t at;  // where the fault is reported
    };
    const Case cases[] = {
        // Plain relative paths, up to two folders deep.
        {"a", F::None, 0}, {"a.b", F::None, 0}, {"dir\\file.txt", F::None, 0}, {"one\\two\\three.bin", F::None, 0},
        {"..x", F::None, 0}, {"name with blank", F::None, 0}, {"CONFIG.SYS", F::None, 0}, {"com10", F::None, 0},
        {"lpt", F::None, 0}, {"nul_file", F::None, 0}, {"xcon", F::None, 0}, {std::string(255, 'n'), F::None, 0},
        // Ways out of the folder, and names the platform would cut or read otherwise.
        {"", F::Empty, 0}, {std::string(256, 'n'), F::TooLong, 0}, {"C:x", F::ReservedCharacter, 1},
        {"a:b", F::ReservedCharacter, 1}, {"a/b", F::ForwardSlash, 1}, {"\\abs", F::EmptyComponent, 0},
        {"a\\\\b", F::EmptyComponent, 2}, {"a\\", F::EmptyComponent, 2}, {".", F::DotComponent, 0},
        {"..", F::DotComponent, 0}, {"a\\..\\b", F::DotComponent, 2}, {"a\\.\\b", F::DotComponent, 2},
        {"..\\up", F::DotComponent, 0}, {"tab\there", F::ControlCharacter, 3}, {"nl\nname", F::ControlCharacter, 2},
        {"del\x7f", F::ControlCharacter, 3}, {std::string("a\0b", 3), F::ControlCharacter, 1},
        {"caf\xE9", F::NotAscii, 3}, {"COM\xB9", F::NotAscii, 3}, {"a\\b\\c\\d", F::TooDeep, 0},
        // Characters Windows refuses in file names.
        {"a<b", F::ReservedCharacter, 1}, {"a>b", F::ReservedCharacter, 1}, {"a|b", F::ReservedCharacter, 1},
        {"a\"b", F::ReservedCharacter, 1}, {"what?", F::ReservedCharacter, 4}, {"*.txt", F::ReservedCharacter, 0},
        // Windows drops a trailing dot or blank: the file would get another name.
        {"x..", F::TrailingDotOrBlank, 0}, {"name.", F::TrailingDotOrBlank, 0}, {"dir \\f", F::TrailingDotOrBlank, 0},
        {"f ", F::TrailingDotOrBlank, 0},
        // Devices: opening one writes nowhere, whatever the case, extension or folder.
        {"CON", F::DeviceName, 0}, {"nul", F::DeviceName, 0}, {"a\\NUL.txt", F::DeviceName, 2},
        {"COM1", F::DeviceName, 0}, {"com0", F::DeviceName, 0}, {"LPT1.log", F::DeviceName, 0},
        {"lpt9.a.b", F::DeviceName, 0}, {"Aux", F::DeviceName, 0}, {"prn.txt", F::DeviceName, 0},
        {"CONIN$", F::DeviceName, 0}, {"conout$.x", F::DeviceName, 0}, {"nul .txt", F::DeviceName, 0},
        {"con\\file", F::DeviceName, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EntryNameCheck check = CheckEntryName(c.name.data(), c.name.size());
        EXPECT_EQ(static_cast<int>(c.fault), static_cast<int>(check.fault));
        EXPECT_EQ(c.at, check.at);
        EXPECT_EQ(c.fault == F::None, IsSafeEntryName(c.name.data(), c.name.size()));
        // A refused name fails its whole archive, at its record.
        if (c.fault == F::None || c.name.size() > 255) continue;
        Bytes a = BuildArchive({PackedEntry("fine.txt", "ok"), PackedEntry(c.name, "bad")});
        ArchiveCheck archive = CheckArchive(a.data(), static_cast<uint32_t>(a.size()));
        EXPECT_EQ(ArchiveFault::UnsafeName, archive.fault);
        EXPECT_EQ(1u, archive.entryIndex);
    }
}
