// The image tool as a program, on small PE images written here: resource
// directories built to multiply, the run-from-swap bits and their checksum,
// and rewrites that fail midway.
#include "tvarc_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << part << "' not found in:\n" << text.substr(0, 2000);
}

void Put16(std::string& bytes, size_t at, uint32_t value) {
    if (bytes.size() < at + 2) bytes.resize(at + 2, '\0');
    bytes[at] = static_cast<char>(value);
    bytes[at + 1] = static_cast<char>(value >> 8);
}
void Put32(std::string& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

const uint32_t kSubdirectory = 0x80000000u;
const uint32_t kAreaRva = 0x1000;

// A resource directory table at offset at with these (name field, target) entries.
void Table(std::string& area, size_t at, const std::vector<std::pair<uint32_t, uint32_t>>& entries) {
    Put16(area, at + 14, static_cast<uint32_t>(entries.size()));  // all counted as numbered entries
    for (size_t i = 0; i < entries.size(); ++i) {
        Put32(area, at + 16 + 8 * i, entries[i].first);
        Put32(area, at + 20 + 8 * i, entries[i].second);
    }
}
// A data entry at offset at whose data are the size bytes at offset data of the area.
void DataEntry(std::string& area, size_t at, uint32_t data, uint32_t size) {
    Put32(area, at, kAreaRva + data);
    Put32(area, at + 4, size);
    Put32(area, at + 12, 0);
}

// A PE32 image with one section, .rsrc, holding area as its resource directory.
std::string Image(const std::string& area) {
    std::string image(0x200, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, 0x40);
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    Put16(image, 0x44, 0x14C);
    Put16(image, 0x46, 1);     // sections
    Put16(image, 0x54, 0xE0);  // optional header size
    const size_t optional = 0x58;
    Put16(image, optional, 0x10B);
    Put32(image, optional + 92, 16);                         // data directories
    Put32(image, optional + 96 + 8 * 2, kAreaRva);           // resources
    Put32(image, optional + 96 + 8 * 2 + 4, static_cast<uint32_t>(area.size()));
    const size_t section = optional + 0xE0;
    image.replace(section, 5, ".rsrc");
    Put32(image, section + 8, static_cast<uint32_t>(area.size()));
    Put32(image, section + 12, kAreaRva);
    Put32(image, section + 16, static_cast<uint32_t>(area.size()));
    Put32(image, section + 20, 0x200);
    return image + area;
}

class TvpeTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tvpe-test-XXXXXX").string();
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

    fs::path work_;
};

// Two resources, "DATA" 1 in two languages, with three-byte data.
std::string GoodArea() {
    std::string area;
    Table(area, 0, {{10, kSubdirectory | 24}});
    Table(area, 24, {{1, kSubdirectory | 48}});
    Table(area, 48, {{1031, 80}, {1033, 96}});
    DataEntry(area, 80, 112, 3);
    DataEntry(area, 96, 112, 3);
    area.resize(112);
    return area + "abc";
}

// Entries per level all leading to the same table: n * n * n resources from a few bytes.
std::string SharedTablesArea(uint32_t n) {
    std::string area;
    uint32_t table1 = 16 + 8 * n, table2 = 2 * table1, data = 3 * table1;
    std::vector<std::pair<uint32_t, uint32_t>> types, names, languages;
    for (uint32_t i = 0; i < n; ++i) {
        types.push_back({i + 1, kSubdirectory | table1});
        names.push_back({i + 1, kSubdirectory | table2});
        languages.push_back({i + 1, data});
    }
    Table(area, 0, types);
    Table(area, table1, names);
    Table(area, table2, languages);
    DataEntry(area, data, 0, 16);
    return area;
}

TEST_F(TvpeTest, ResourceDirectoriesThatMultiplyAreRefused) {
    struct Case {
        const char* what;
        std::function<std::string()> area;
        std::string message;  // empty: listed
    };
    const std::vector<Case> cases = {
        {"a plain directory", GoodArea, ""},
        {"50 entries a level, all to one table", [] { return SharedTablesArea(50); }, "twice, or tables overlap"},
        {"65537 distinct resources",
         [] {
             std::string area;
             Table(area, 0, {{10, kSubdirectory | 24}});
             uint32_t big = 56, small = big + 16 + 8 * 65535, data = small + 32;
             Table(area, 24, {{1, kSubdirectory | big}, {2, kSubdirectory | small}});
             Table(area, big, std::vector<std::pair<uint32_t, uint32_t>>(65535, {1031, data}));
             Table(area, small, {{1031, data}, {1033, data}});
             DataEntry(area, data, 0, 4);
             return area;
         },
         "more than 65536 resources"},
        {"300 resources sharing one name of 65535 characters",
         [] {
             std::string area;
             const uint32_t count = 300, names = 24, languages = names + 16 + 8 * count;
             const uint32_t data = languages + 24 * count, text = data + 16;
             std::vector<std::pair<uint32_t, uint32_t>> entries;
             for (uint32_t i = 0; i < count; ++i) {
                 entries.push_back({kSubdirectory | text, kSubdirectory | (languages + 24 * i)});
                 Table(area, languages + 24 * i, {{1031, data}});
             }
             Table(area, 0, {{10, kSubdirectory | names}});
             Table(area, names, entries);
             DataEntry(area, data, 0, 4);
             Put16(area, text, 65535);
             area.resize(text + 2 + 2 * 65535, 'A');
             return area;
         },
         "add up to more than 16777216 characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(Work("image.exe"), Image(c.area()));
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"resources", Work("image.exe").string()},
              std::vector<std::string>{"extract", Work("image.exe").string(), "10", "1", "-o", Work("out.bin").string()}}) {
            RunResult run = RunTool(args);
            if (c.message.empty()) {
                EXPECT_EQ(run.exitCode, 0) << run.err;
                if (args[0] == "resources") {
                    EXPECT_EQ(run.out, "#10 #1 1031 624 3\n#10 #1 1033 624 3\n");
                } else {
                    EXPECT_EQ(ReadFile(Work("out.bin")), "abc");
                }
            } else {
                EXPECT_EQ(run.exitCode, 1);
                EXPECT_TRUE(Contains(run.err, c.message));
                EXPECT_EQ(run.out, "");
            }
        }
    }
}

// Where Image() keeps the COFF header's Characteristics and the header checksum.
const size_t kCharacteristicsAt = 0x40 + 4 + 18;
const size_t kChecksumAt = 0x58 + 64;

ino_t Inode(const fs::path& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST_F(TvpeTest, SetRunFromSwapAddsTheTwoBitsAndTheChecksumOnly) {
    struct Case {
        const char* what;
        uint16_t before;
        uint32_t stored;     // checksum in the header before
        std::string listed;  // what characteristics prints afterwards
    };
    const std::vector<Case> cases = {
        {"an i686 executable without checksum", 0x0102, 0,
         "0x0d02 EXECUTABLE_IMAGE 32BIT_MACHINE REMOVABLE_RUN_FROM_SWAP NET_RUN_FROM_SWAP\n"},
        {"every other bit, a wrong checksum", 0xF3FF, 0x12345678,
         "0xffff RELOCS_STRIPPED EXECUTABLE_IMAGE LINE_NUMS_STRIPPED LOCAL_SYMS_STRIPPED AGGRESSIVE_WS_TRIM "
         "LARGE_ADDRESS_AWARE 0x0040 BYTES_REVERSED_LO 32BIT_MACHINE DEBUG_STRIPPED REMOVABLE_RUN_FROM_SWAP "
         "NET_RUN_FROM_SWAP SYSTEM DLL UP_SYSTEM_ONLY BYTES_REVERSED_HI\n"},
        {"one of the two set already", 0x0422, 0x00000001,
         "0x0c22 EXECUTABLE_IMAGE LARGE_ADDRESS_AWARE REMOVABLE_RUN_FROM_SWAP NET_RUN_FROM_SWAP\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // An odd length: the checksum's last word is a single byte.
        std::string image = Image(GoodArea()) + MixedBytes(5000, 7);
        Put16(image, kCharacteristicsAt, c.before);
        Put32(image, kChecksumAt, c.stored);
        const fs::path file = Work("setup.exe");
        WriteFile(file, image);

        RunResult run = RunTool({"set-run-from-swap", file.string()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::string after = ReadFile(file);
        ASSERT_EQ(after.size(), image.size());
        // Only the two bits and the checksum differ.
        std::string expected = image;
        Put16(expected, kCharacteristicsAt, c.before | 0x0C00);
        expected.replace(kChecksumAt, 4, after, kChecksumAt, 4);
        EXPECT_TRUE(after == expected) << "bytes other than the bits and the checksum changed";
        RunResult checked = RunTool({"checksum", file.string()});
        EXPECT_EQ(checked.exitCode, 0) << checked.err;
        RunResult listed = RunTool({"characteristics", file.string()});
        EXPECT_EQ(listed.exitCode, 0) << listed.err;
        EXPECT_EQ(listed.out, c.listed);

        // Again: nothing to do, so the file is not even rewritten.
        ino_t inode = Inode(file);
        RunResult again = RunTool({"set-run-from-swap", file.string()});
        EXPECT_EQ(again.exitCode, 0) << again.err;
        EXPECT_TRUE(Contains(again.out, "(unchanged)"));
        EXPECT_TRUE(ReadFile(file) == after);
        EXPECT_EQ(Inode(file), inode);
    }
}

TEST_F(TvpeTest, SetRunFromSwapRefusesWhatIsNoPeImage) {
    std::string noSignature = Image(GoodArea());
    noSignature[0x41] = 'X';
    struct Case {
        const char* what;
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"a text file", "MZ is where this text starts\n" + std::string(200, '.'), "not a PE image"},
        {"an empty file", "", "not a PE image"},
        {"no PE signature", noSignature, "not a PE image"},
        {"cut off inside the optional header", Image(GoodArea()).substr(0, kChecksumAt + 2), "not a PE image"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Work("dist"));
        WriteFile(Work("dist/setup.exe"), c.bytes);
        RunResult run = RunTool({"set-run-from-swap", Work("dist/setup.exe").string()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(Contains(run.err, Work("dist/setup.exe").string() + ": " + c.message));
        EXPECT_TRUE(ReadFile(Work("dist/setup.exe")) == c.bytes) << "the file changed";
        EXPECT_EQ(std::distance(fs::directory_iterator(Work("dist")), fs::directory_iterator()), 1);
    }
    WriteFile(Work("text.exe"), "plain text");
    RunResult listed = RunTool({"characteristics", Work("text.exe").string()});
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_TRUE(Contains(listed.err, "no DOS header"));

    EXPECT_EQ(RunTool({"set-run-from-swap", Work("missing.exe").string()}).exitCode, 1);
    EXPECT_EQ(RunTool({"set-run-from-swap"}).exitCode, 2);
    EXPECT_EQ(RunTool({"set-run-from-swap", Work("text.exe").string(), Work("text.exe").string()}).exitCode, 2);
}

TEST_F(TvpeTest, RewritesNeverLeaveTheFileHalfWritten) {
    std::string image = Image(GoodArea()) + std::string(60000, '\x5A');
    struct Case {
        const char* what;
        rlim_t fileSizeLimit;  // for the tool's writes; RLIM_INFINITY for none
        bool throughLink;
    };
    const std::vector<Case> cases = {
        {"the disk takes 4 KB, then refuses", 4096, false},
        {"enough room", RLIM_INFINITY, false},
        {"through a link", RLIM_INFINITY, true},
    };
    for (const std::string command : {"set-checksum", "set-run-from-swap"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(command + ", " + c.what);
            fs::remove_all(Work("dist"));
            WriteFile(Work("dist/setup.exe"), image);
            fs::permissions(Work("dist/setup.exe"), fs::perms(0750));
            std::string named = Work("dist/setup.exe").string();
            if (c.throughLink) {
                fs::create_symlink("setup.exe", Work("dist/link.exe"));
                named = Work("dist/link.exe").string();
            }
            struct rlimit saved;
            ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
            struct rlimit limited = saved;
            limited.rlim_cur = c.fileSizeLimit;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
            void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
            RunResult run = RunTool({command, named});
            std::signal(SIGXFSZ, previous);
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);

            size_t files = std::distance(fs::directory_iterator(Work("dist")), fs::directory_iterator());
            EXPECT_EQ(files, c.throughLink ? 2u : 1u) << "a new file stayed behind";
            if (c.fileSizeLimit != RLIM_INFINITY) {
                EXPECT_EQ(run.exitCode, 1);
                EXPECT_TRUE(Contains(run.err, "cannot write"));
                EXPECT_TRUE(ReadFile(Work("dist/setup.exe")) == image) << "the file changed";
                continue;
            }
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(RunTool({"checksum", Work("dist/setup.exe").string()}).exitCode, 0);
            EXPECT_EQ(fs::status(Work("dist/setup.exe")).permissions(), fs::perms(0750));
            if (command == "set-run-from-swap") {
                EXPECT_EQ(RunTool({"characteristics", Work("dist/setup.exe").string()}).out,
                          "0x0c00 REMOVABLE_RUN_FROM_SWAP NET_RUN_FROM_SWAP\n");
            }
            if (c.throughLink) {
                EXPECT_TRUE(fs::is_symlink(Work("dist/link.exe")));
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH-OF-TVPE [gtest options]\n", argv[0]);
        return 2;
    }
    gToolPath = argv[1];
    return RUN_ALL_TESTS();
}
