// The archive tool as a program: what it writes, what it refuses, what its
// verification catches, and its exit codes.
#include "tvarc_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Passes when part occurs in text; shows text otherwise.
::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << part << "' not found in:\n" << text;
}

class TvarcTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tvarc-test-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        work_ = name.data();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(work_, ignored);
    }

    fs::path Work(const std::string& relative) const { return work_ / relative; }

    // Packs folder into a file of the work folder and returns the bytes.
    std::string PackBytes(const std::string& folder, const char* sourceDateEpoch = "1600000000") {
        std::string archive = Work(folder + ".tva").string();
        RunResult run = RunTool({"pack", Work(folder).string(), "-o", archive}, sourceDateEpoch);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return ReadFile(archive);
    }

    RunResult VerifyBytes(const std::string& bytes) {
        WriteFile(Work("patched.tva"), bytes);
        return RunTool({"verify", Work("patched.tva").string()});
    }

    fs::path work_;
};

// Inflates packed as one standard zlib stream of size bytes that fills it exactly.
std::string Inflate(const std::string& packed, size_t size) {
    std::string out(size + 1, '\0');
    uLongf outLength = out.size();
    uLong inLength = packed.size();
    EXPECT_EQ(uncompress2(reinterpret_cast<Bytef*>(out.data()), &outLength,
                          reinterpret_cast<const Bytef*>(packed.data()), &inLength), Z_OK);
    EXPECT_EQ(inLength, packed.size()) << "bytes after the stream";
    out.resize(outLength);
    return out;
}

// ---- command line -------------------------------------------------------

TEST_F(TvarcTest, HelpDescribesEveryCommandAndExitsZero) {
    RunResult run = RunTool({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command : {"pack", "key", "list", "verify", "extract", "SOURCE_DATE_EPOCH"})
        EXPECT_TRUE(Contains(run.out, command));
}

TEST_F(TvarcTest, WrongUsageExitsTwoWithAMessage) {
    fs::create_directories(Work("in"));
    const std::vector<std::vector<std::string>> usages = {
        {},
        {"unpack", "x"},
        {"pack", Work("in").string()},
        {"pack", Work("in").string(), Work("in").string(), "-o", Work("x").string()},
        {"pack", Work("in").string(), "-o"},
        {"pack", Work("in").string(), "-o", Work("x").string(), "--add", "no-equals-sign"},
        {"pack", Work("in").string(), "-o", Work("x").string(), "--level", "9"},
        {"list"},
        {"verify", "a", "b"},
        {"extract", Work("x").string()},
    };
    for (const auto& args : usages) {
        RunResult run = RunTool(args);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(Contains(run.err, "tvarc --help")) << ::testing::PrintToString(args);
    }
    EXPECT_FALSE(fs::exists(Work("x")));
}

TEST_F(TvarcTest, UnreadableInputsExitOneNamingTheFile) {
    fs::create_directories(Work("folder"));
    WriteFile(Work("short.tva"), std::string("\x04\0\0", 3));
    std::string missing = Work("missing.tva").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"list", missing}, missing + ": No such file"},
        {{"verify", missing}, missing + ": No such file"},
        {{"extract", missing, Work("out").string()}, missing + ": No such file"},
        {{"verify", Work("folder").string()}, "is a folder"},
        {{"list", Work("short.tva").string()}, "shorter"},
        {{"pack", Work("nofolder").string(), "-o", Work("x.tva").string()}, Work("nofolder").string() + ": not a folder"},
        {{"pack", Work("folder").string(), "-o", Work("no/dir/x.tva").string()}, "cannot create " + Work("no/dir/x.tva").string()},
    };
    for (const auto& c : cases) {
        RunResult run = RunTool(c.first);
        EXPECT_EQ(run.exitCode, 1) << ::testing::PrintToString(c.first);
        EXPECT_TRUE(Contains(run.err, c.second));
    }
    EXPECT_FALSE(fs::exists(Work("out")));
}

// ---- pack ---------------------------------------------------------------

TEST_F(TvarcTest, EmptyFolderGivesTheEightByteArchive) {
    fs::create_directories(Work("empty"));
    EXPECT_EQ(PackBytes("empty"), std::string("\x04\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(RunTool({"verify", Work("empty.tva").string()}).exitCode, 0);
    RunResult list = RunTool({"list", Work("empty.tva").string()});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "");
}

TEST_F(TvarcTest, PackedBytesFollowTheLayout) {
    WriteFile(Work("in/top.txt"), "top level\r\n");
    WriteFile(Work("in/Zeta/one.ini"), "");
    WriteFile(Work("in/Zeta/two/deep.dat"), MixedBytes(100000, 7));
    WriteFile(Work("in/alpha.bin"), MixedBytes(5000, 3));
    ArchiveBytes archive(PackBytes("in", "1234567"));

    std::vector<Record> records = archive.Records();
    ASSERT_EQ(records.size(), 4u);
    // Byte-wise order of the stored names: upper case before lower case.
    EXPECT_EQ(records[0].name, "Zeta\\one.ini");
    EXPECT_EQ(records[1].name, "Zeta\\two\\deep.dat");
    EXPECT_EQ(records[2].name, "alpha.bin");
    EXPECT_EQ(records[3].name, "top.txt");

    const std::string& bytes = archive.Bytes();
    uint32_t expectedOffset = 4;
    for (const Record& r : records) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.dataOffset, expectedOffset);
        expectedOffset += r.packedSize;
        std::string packed = bytes.substr(r.dataOffset, r.packedSize);
        EXPECT_EQ(packed.substr(0, 2), "\x78\x9C");
        EXPECT_EQ(r.creationTime, 1234567u);
        EXPECT_EQ(r.writeTime, 1234567u);
        EXPECT_EQ(r.accessTime, 1234567u);
        std::string path = r.name;
        std::replace(path.begin(), path.end(), '\\', '/');
        std::string content = ReadFile(Work("in") / path);
        EXPECT_EQ(r.unpackedSize, content.size());
        EXPECT_EQ(Inflate(packed, content.size()), content);
    }
    EXPECT_EQ(archive.DirectoryOffset(), expectedOffset);
    const Record& last = records.back();
    EXPECT_EQ(last.at + 1 + last.name.size() + 24, bytes.size());
    // Compression really happened for the compressible file.
    EXPECT_LT(records[1].packedSize, records[1].unpackedSize / 3);
}

TEST_F(TvarcTest, SameFilesGiveTheSameArchive) {
    // The same files, created in opposite orders and at different times.
    const std::vector<std::pair<std::string, std::string>> files = {
        {"b.txt", "bee"}, {"a/c.txt", MixedBytes(70000, 1)}, {"a/b/d.bin", MixedBytes(3000, 2)}, {"e", ""}};
    for (auto it = files.begin(); it != files.end(); ++it) WriteFile(Work("first") / it->first, it->second);
    for (auto it = files.rbegin(); it != files.rend(); ++it) WriteFile(Work("second") / it->first, it->second);
    struct timespec old[2] = {{1000, 0}, {1000, 0}};
    utimensat(AT_FDCWD, (Work("second") / "b.txt").c_str(), old, 0);

    std::string first = PackBytes("first");
    EXPECT_EQ(first, PackBytes("first"));
    EXPECT_EQ(first, PackBytes("second"));

    RunResult bad = RunTool({"pack", Work("first").string(), "-o", Work("x.tva").string()}, "12abc");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(Contains(bad.err, "SOURCE_DATE_EPOCH"));
}

TEST_F(TvarcTest, WithoutSourceDateEpochTheFileTimesAreStored) {
    WriteFile(Work("in/f.txt"), "x");
    // Accessed before the last write, as relatime mounts can report.
    struct timespec times[2] = {{500000, 0}, {1000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, Work("in/f.txt").c_str(), times, 0), 0);
    Record r = ArchiveBytes(PackBytes("in", nullptr)).Find("f.txt");
    EXPECT_EQ(r.writeTime, 1000000u);
    EXPECT_EQ(r.creationTime, 1000000u);
    EXPECT_EQ(r.accessTime, 1000000u);
}

TEST_F(TvarcTest, RefusesFilesTheFormatCannotCarry) {
    struct Case {
        std::string path;   // below the packed folder
        std::string shown;  // how the message names it
        std::string why;    // part of the message
    };
    std::string longPath = std::string(200, 'n') + "/" + std::string(60, 'm');
    const std::vector<Case> cases = {
        {"caf\xC3\xA9.txt", "caf\\xC3\\xA9.txt", "not ASCII"},
        {"one/two/three/deep.txt", "one/two/three/deep.txt", "more than 2 folder levels"},
        {longPath, longPath, "longer than 255 bytes"},
        {std::string(100, 'p') + "/" + std::string(96, 'q'), std::string(100, 'p') + "/" + std::string(96, 'q'),
         "longer than 196 bytes (197)"},
        {"back\\slash.txt", "back\\slash.txt", "contains a backslash"},
        {"tab\there.txt", "tab\\x09here.txt", "control character"},
        {"what?.txt", "what?.txt", "not allowed in Windows file names"},
        {"sub/NUL.txt", "sub/NUL.txt", "device name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        fs::remove_all(Work("in"));
        WriteFile(Work("in/good.txt"), "fine");
        WriteFile(Work("in") / c.path, "content");
        RunResult run = RunTool({"pack", Work("in").string(), "-o", Work("x.tva").string()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(Contains(run.err, (Work("in") / c.shown).string() + ": "));
        EXPECT_TRUE(Contains(run.err, c.why));
        EXPECT_FALSE(fs::exists(Work("x.tva")));
        EXPECT_FALSE(fs::exists(Work("x.tva.part")));
    }
}

TEST_F(TvarcTest, RefusesLinksSpecialFilesHugeFilesAndCollidingNames) {
    WriteFile(Work("in/good.txt"), "fine");
    fs::create_symlink("good.txt", Work("in/link.txt"));
    ASSERT_EQ(mkfifo(Work("in/pipe").c_str(), 0600), 0);
    WriteFile(Work("in/Readme.txt"), "one");
    WriteFile(Work("in/README.TXT"), "two");
    // Sparse: 4 GB on paper, nothing on disk; the tool must refuse it from its size.
    WriteFile(Work("in/huge.bin"), "");
    fs::resize_file(Work("in/huge.bin"), 0x100000000ull);

    RunResult run = RunTool({"pack", Work("in").string(), "-o", Work("x.tva").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, Work("in/link.txt").string() + ": symbolic link"));
    EXPECT_TRUE(Contains(run.err, Work("in/pipe").string() + ": not a regular file"));
    EXPECT_TRUE(Contains(run.err, Work("in/huge.bin").string() + ": file is 4 GB or larger"));
    EXPECT_TRUE(Contains(run.err, "ignore case"));
    EXPECT_FALSE(fs::exists(Work("x.tva")));
}

TEST_F(TvarcTest, IgnoredPlaceholdersAndExtraFiles) {
    WriteFile(Work("in/.keep"), "");
    WriteFile(Work("in/sub/.keep"), "");
    RunResult run = RunTool({"pack", Work("in").string(), "-o", Work("x.tva").string(), "--ignore", ".keep"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(Work("x.tva")).size(), 8u);

    WriteFile(Work("built/program.exe"), MixedBytes(9000, 5));
    run = RunTool({"pack", Work("in").string(), "-o", Work("x.tva").string(), "--ignore=.keep", "--add",
                   "bin/Tool.exe=" + Work("built/program.exe").string(), "--add=top.exe=" + Work("built/program.exe").string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<Record> records = ArchiveBytes(ReadFile(Work("x.tva"))).Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "bin\\Tool.exe");
    EXPECT_EQ(records[1].name, "top.exe");
    EXPECT_EQ(records[0].unpackedSize, 9000u);

    // An extra file may not take the name of a file of the folder.
    WriteFile(Work("in/sub/a.txt"), "a");
    run = RunTool({"pack", Work("in").string(), "-o", Work("x.tva").string(), "--ignore", ".keep", "--add",
                   "SUB\\A.txt=" + Work("built/program.exe").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "ignore case"));
}

TEST_F(TvarcTest, PackNeverWritesThroughALinkAtItsTemporaryName) {
    WriteFile(Work("in/a.txt"), "payload");
    const std::vector<std::pair<const char*, std::function<void(const fs::path&, const fs::path&)>>> links = {
        {"symbolic link", [](const fs::path& target, const fs::path& link) { fs::create_symlink(target, link); }},
        {"hard link", [](const fs::path& target, const fs::path& link) { fs::create_hard_link(target, link); }},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.first);
        fs::remove(Work("x.tva"));
        WriteFile(Work("victim.txt"), "precious");
        link.second(Work("victim.txt"), Work("x.tva.part"));
        RunResult run = RunTool({"pack", Work("in").string(), "-o", Work("x.tva").string()}, "1600000000");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ReadFile(Work("victim.txt")), "precious");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Work("x.tva"))));
        EXPECT_EQ(ArchiveBytes(ReadFile(Work("x.tva"))).Records().size(), 1u);
        EXPECT_FALSE(fs::exists(fs::symlink_status(Work("x.tva.part"))));
    }
}

// ---- key ----------------------------------------------------------------

TEST_F(TvarcTest, KeyFollowsNamesSizesAndContentsNotTimes) {
    WriteFile(Work("in/abc"), "abc");
    WriteFile(Work("in/sub/empty"), "");
    WriteFile(Work("in/million"), std::string(1000000, 'a'));
    std::string key = Work("k/in.key").string();
    auto takeKey = [&] {
        RunResult run = RunTool({"key", Work("in").string(), "-o", key}, "1600000000");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return ReadFile(key);
    };
    fs::create_directories(Work("k"));
    // The sums are those of FIPS 180-2's examples and of the empty message.
    EXPECT_EQ(takeKey(), "tvarc key 1\nentry times: 1600000000\n"
                         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad 3 abc\n"
                         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0 1000000 million\n"
                         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 0 sub\\empty\n");

    // Unchanged files leave the key file alone, so a build sees nothing new.
    struct timespec old[2] = {{1000000, 0}, {1000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, key.c_str(), old, 0), 0);
    std::string same = takeKey();
    struct stat info;
    ASSERT_EQ(stat(key.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1000000);

    // The same size and the same time, other bytes: another key.
    struct stat before;
    ASSERT_EQ(stat(Work("in/abc").c_str(), &before), 0);
    WriteFile(Work("in/abc"), "abd");
    struct timespec kept[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, Work("in/abc").c_str(), kept, 0), 0);
    EXPECT_NE(takeKey(), same);
    ASSERT_EQ(stat(key.c_str(), &info), 0);
    EXPECT_NE(info.st_mtime, 1000000);
}

TEST_F(TvarcTest, RequiredTopLevelNames) {
    WriteFile(Work("in/Setup.EXE"), "MZ");
    WriteFile(Work("in/bin/helper.exe"), "MZ");
    WriteFile(Work("built/extra.exe"), "MZ");
    struct Case {
        std::vector<std::string> options;
        std::string missing;  // empty: accepted
    };
    const std::vector<Case> cases = {
        {{"--require", "setup.exe"}, ""},
        {{"--require", "helper.exe"}, "lacks helper.exe at its top level"},
        {{"--require", "a.exe", "--require", "Setup.exe", "--require", "b.exe"}, "lacks a.exe, b.exe at its top level"},
        {{"--require", "extra.exe", "--add", "extra.exe=" + Work("built/extra.exe").string()}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        for (const char* command : {"pack", "key"}) {
            std::vector<std::string> args = {command, Work("in").string(), "-o", Work("out").string()};
            args.insert(args.end(), c.options.begin(), c.options.end());
            fs::remove(Work("out"));
            RunResult run = RunTool(args);
            EXPECT_EQ(run.exitCode, c.missing.empty() ? 0 : 1) << command << ": " << run.err;
            EXPECT_EQ(fs::exists(Work("out")), c.missing.empty()) << command;
            if (!c.missing.empty()) {
                EXPECT_TRUE(Contains(run.err, Work("in").string() + ": " + c.missing));
            }
        }
    }
}

// ---- round trip ---------------------------------------------------------

TEST_F(TvarcTest, PackVerifyListExtractGiveBackTheSameFiles) {
    WriteFile(Work("in/readme.txt"), "Tessaroven\r\n");
    WriteFile(Work("in/empty.cfg"), "");
    WriteFile(Work("in/data/big.dat"), MixedBytes(3 * 1024 * 1024 + 17, 11));
    WriteFile(Work("in/data/fonts/noise.bin"), MixedBytes(4096, 12) + std::string("\0\xFF\x80", 3));
    struct timespec times[2] = {{1500000000, 0}, {1400000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, Work("in/readme.txt").c_str(), times, 0), 0);
    std::string archive = Work("in.tva").string();
    ASSERT_EQ(RunTool({"pack", Work("in").string(), "-o", archive}).exitCode, 0);

    RunResult verify = RunTool({"verify", archive});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_TRUE(Contains(verify.out, "valid, 4 entries"));

    RunResult list = RunTool({"list", archive});
    EXPECT_EQ(list.exitCode, 0);
    ArchiveBytes bytes(ReadFile(archive));
    std::string expected;
    for (const Record& r : bytes.Records()) {
        char line[400];
        std::snprintf(line, sizeof line, "%10u %10u  %s\n", r.packedSize, r.unpackedSize, r.name.c_str());
        expected += line;
    }
    EXPECT_EQ(list.out, expected);
    EXPECT_TRUE(Contains(list.out, "   3145745  data\\big.dat\n"));

    RunResult extract = RunTool({"extract", archive, Work("out").string()});
    EXPECT_EQ(extract.exitCode, 0) << extract.err;
    struct stat info;
    ASSERT_EQ(stat(Work("out/readme.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1400000000);
    // The extracted files carry the stored times, so they pack to the same
    // bytes (packed before anything reads them and moves their access times).
    std::string again = Work("again.tva").string();
    ASSERT_EQ(RunTool({"pack", Work("out").string(), "-o", again}).exitCode, 0);
    EXPECT_EQ(ReadFile(again), ReadFile(archive));

    EXPECT_EQ(Tree(Work("out")), Tree(Work("in")));
}

// ---- verify ---------------------------------------------------------------

// A packed archive to break: four entries, one of them two folders deep.
class TvarcPackedArchiveTest : public TvarcTest {
protected:
    void SetUp() override {
        TvarcTest::SetUp();
        WriteFile(Work("in/a1.txt"), MixedBytes(20000, 21));
        WriteFile(Work("in/a2.txt"), "second");
        WriteFile(Work("in/b/d/e_f.txt"), MixedBytes(3000, 22));
        WriteFile(Work("in/zz.txt"), "last");
        archive_ = ArchiveBytes(PackBytes("in"));
        RunResult run = VerifyBytes(archive_.Bytes());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(Contains(run.out, "valid, 4 entries"));
    }

    ArchiveBytes archive_{""};
};

struct Breakage {
    const char* what;
    std::function<void(ArchiveBytes&)> apply;
    std::string entry;   // the entry the message names
    std::string rule;    // the rule it names
    std::string detail;  // what it says about it
};

TEST_F(TvarcPackedArchiveTest, NamesTheEntryAndRuleOfEachFault) {
    auto dataEnd = [](const ArchiveBytes& a, const std::string& name) {
        Record r = a.Find(name);
        return static_cast<size_t>(r.dataOffset) + r.packedSize;
    };
    const std::vector<Breakage> breakages = {
        {"gap between two entries' data", [&](ArchiveBytes& a) { a.InsertData(dataEnd(a, "a1.txt"), "\x55"); },
         "a2.txt", "data area", "without gaps"},
        {"gap before the directory", [&](ArchiveBytes& a) { a.InsertData(dataEnd(a, "zz.txt"), "\x55"); },
         "zz.txt", "data area", "the directory starts at"},
        {"bytes after the last record", [](ArchiveBytes& a) { a.Append(std::string(1, '\0')); },
         "zz.txt", "directory end", "the archive has"},
        {"wrong unpacked size", [](ArchiveBytes& a) { a.SetField("a2.txt", Field::UnpackedSize, 7); },
         "a2.txt", "unpacked size", "inflates to 6 bytes, the directory says 7"},
        {"unpacked size too small", [](ArchiveBytes& a) { a.SetField("a2.txt", Field::UnpackedSize, 5); },
         "a2.txt", "unpacked size", "inflates to more than the 5 bytes the directory says"},
        // 78 DA is a valid zlib header too, but not the one every entry carries.
        {"other zlib header", [](ArchiveBytes& a) { a.SetByte(a.Find("a2.txt").dataOffset + 1, 0xDA); },
         "a2.txt", "stream", "header bytes 78 DA, expected 78 9C"},
        {"no zlib header", [](ArchiveBytes& a) { a.SetByte(a.Find("a2.txt").dataOffset, 0x00); },
         "a2.txt", "stream", "damaged (incorrect header check)"},
        {"stream cut inside the Adler-32", [](ArchiveBytes& a) { a.ResizeEntry("a1.txt", -1); },
         "a1.txt", "stream", "end inside the stream"},
        {"stream cut inside the deflate data", [](ArchiveBytes& a) { a.ResizeEntry("a1.txt", -100); },
         "a1.txt", "stream", "end inside the stream"},
        {"bytes after the stream", [](ArchiveBytes& a) { a.ResizeEntry("a2.txt", 2); },
         "a2.txt", "stream", "2 bytes follow the end of the stream"},
        {"wrong Adler-32", [&](ArchiveBytes& a) { a.SetByte(dataEnd(a, "zz.txt") - 1, a.Bytes()[dataEnd(a, "zz.txt") - 1] ^ 1); },
         "zz.txt", "stream", "damaged (incorrect data check)"},
        {"duplicate name", [](ArchiveBytes& a) { a.Rename("a2.txt", "a1.txt"); },
         "a1.txt", "name", "appears twice"},
        {"names differing in case only", [](ArchiveBytes& a) { a.Rename("zz.txt", "A1.TXT"); },
         "A1.TXT", "name", "ignore case"},
        {"three folder levels", [](ArchiveBytes& a) { a.Rename("b\\d\\e_f.txt", "b\\d\\e\\f.txt"); },
         "b\\d\\e\\f.txt", "name", "more than 2 folder levels"},
        {"non-ASCII name", [](ArchiveBytes& a) { a.Rename("a2.txt", "\xE9" "2.txt"); },
         "\\xE92.txt", "name", "not ASCII"},
        {"access before write", [](ArchiveBytes& a) { a.SetField("a1.txt", Field::AccessTime, 1600000000 - 1); },
         "a1.txt", "times", "earlier than write time"},
        // Faults the launcher's own check finds: reported, never read past.
        {"data outside the archive", [](ArchiveBytes& a) { a.SetField("a2.txt", Field::DataOffset, 0xFFFFFFF0u); },
         "a2.txt", "an entry's packed data lie outside", ""},
    };
    for (const Breakage& b : breakages) {
        SCOPED_TRACE(b.what);
        ArchiveBytes broken = archive_;
        b.apply(broken);
        RunResult run = VerifyBytes(broken.Bytes());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(Contains(run.err, "'" + b.entry + "': " + b.rule));
        EXPECT_TRUE(Contains(run.err, b.detail));
        EXPECT_TRUE(Contains(run.err, "invalid archive"));
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(TvarcPackedArchiveTest, DirectoryFaultsWithoutAnEntryToName) {
    ArchiveBytes broken = archive_;
    broken.SetLe32(0, archive_.DirectoryOffset() + 3);
    RunResult run = VerifyBytes(broken.Bytes());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "patched.tva: the directory lies outside the archive"));

    broken = archive_;
    broken.DropLast();
    run = VerifyBytes(broken.Bytes());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "entry 3: a directory record lies outside"));
}

// ---- extract ------------------------------------------------------------

TEST_F(TvarcPackedArchiveTest, ExtractRefusesNamesLeavingTheFolder) {
    archive_.Rename("a2.txt", "..\\esc");
    WriteFile(Work("patched.tva"), archive_.Bytes());
    RunResult run = RunTool({"extract", Work("patched.tva").string(), Work("out").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "'..\\esc'"));
    EXPECT_FALSE(fs::exists(Work("esc")));
    EXPECT_FALSE(fs::exists(Work("out/a1.txt"))) << "nothing is extracted from a rejected archive";
}

TEST_F(TvarcPackedArchiveTest, ExtractDoesNotWriteThroughLinks) {
    fs::create_directories(Work("elsewhere"));
    fs::create_directories(Work("out"));
    fs::create_directory_symlink(Work("elsewhere"), Work("out/b"));
    WriteFile(Work("patched.tva"), archive_.Bytes());
    RunResult run = RunTool({"extract", Work("patched.tva").string(), Work("out").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "not a folder"));
    EXPECT_TRUE(fs::is_empty(Work("elsewhere")));
}

std::string le32(uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

// A one-entry archive whose stream inflates to size zero bytes while its
// directory claims claimed bytes.
std::string InflationBomb(const std::string& name, uint64_t size, uint32_t claimed) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, Z_BEST_COMPRESSION), Z_OK);
    std::string zeros(1 << 20, '\0'), packed;
    char out[1 << 16];
    for (uint64_t left = size;;) {
        size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, zeros.size()));
        left -= chunk;
        z.next_in = reinterpret_cast<Bytef*>(zeros.data());
        z.avail_in = static_cast<uInt>(chunk);
        int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef*>(out);
            z.avail_out = sizeof out;
            deflate(&z, flush);
            packed.append(out, sizeof out - z.avail_out);
        } while (z.avail_out == 0);
        if (left == 0) break;
    }
    deflateEnd(&z);
    uint32_t packedSize = static_cast<uint32_t>(packed.size());
    return le32(4 + packedSize) + packed + le32(1) + static_cast<char>(name.size()) + name + le32(4) +
           le32(packedSize) + le32(claimed) + le32(1600000000) + le32(1600000000) + le32(1600000000);
}

TEST_F(TvarcTest, ExtractStopsWhereTheRecordedSizeEnds) {
    // 64 MB of zeros in about 65 KB, recorded as 10 bytes.
    std::string bomb = InflationBomb("bomb.bin", 64u << 20, 10);
    EXPECT_LT(bomb.size(), 100u * 1024);
    WriteFile(Work("bomb.tva"), bomb);
    // The tool may write at most a little more than a megabyte, or fail trying.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    RunResult run = RunTool({"extract", Work("bomb.tva").string(), Work("out").string()});
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "entry 0 'bomb.bin': the stream inflates to more than the 10 bytes"));
    EXPECT_FALSE(fs::exists(Work("out/bomb.bin")));
}

// The shortest archives with one entry: its packed data, fewer bytes than a
// zlib header, end exactly where the archive does (34 bytes in all). Nothing
// after them may be read (the host build runs the tool under ASan).
TEST_F(TvarcTest, PackedDataShorterThanAHeaderAreReadInBounds) {
    for (uint32_t packedSize : {0u, 1u}) {
        SCOPED_TRACE(packedSize);
        std::string archive = le32(4) + le32(1) + "\x01" "a" + le32(34 - packedSize) + le32(packedSize) + le32(0) +
                              le32(0) + le32(0) + le32(0);
        ASSERT_EQ(archive.size(), 34u);
        WriteFile(Work("short.tva"), archive);
        std::string message = "entry 0 'a': stream: the packed data (" + std::to_string(packedSize) + " bytes) end inside the stream";
        RunResult verify = RunTool({"verify", Work("short.tva").string()});
        EXPECT_EQ(verify.exitCode, 1);
        EXPECT_TRUE(Contains(verify.err, message));
        RunResult extract = RunTool({"extract", Work("short.tva").string(), Work("out").string()});
        EXPECT_EQ(extract.exitCode, 1);
        EXPECT_TRUE(Contains(extract.err, "entry 0 'a': the packed data"));
        EXPECT_FALSE(fs::exists(Work("out/a")));
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH-OF-TVARC [gtest options]\n", argv[0]);
        return 2;
    }
    gToolPath = argv[1];
    return RUN_ALL_TESTS();
}
