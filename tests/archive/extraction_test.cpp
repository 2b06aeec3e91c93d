// Unpacking entries and whole archives into files.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive_builder.h"
#include "archive_extraction.h"
#include "extract_entry.h"
#include "payload_archives.h"
#include "pointer_code.h"
#include "qv_file_stream.h"
#include "qv_stream_exception.h"
#include "scratch_folder.h"

namespace {

// Archives held in memory, with a record of every name asked for.
class MemorySource : public ArchiveSource {
public:
    std::map<std::string, Bytes> archives;
    mutable std::vector<std::string> asked;
    const unsigned char* Find(const char* name, uint32_t* size) const override {
        asked.push_back(name);
        auto it = archives.find(name);
        if (it == archives.end()) return nullptr;
        *size = static_cast<uint32_t>(it->second.size());
        return it->second.data();
    }
};

struct RecordingObserver : ExtractionObserver {
    std::vector<std::string> started, extracted;
    void EntryStarting(const QvString& p) override { started.push_back(static_cast<const char*>(p)); }
    void EntryExtracted(const QvString& p) override { extracted.push_back(static_cast<const char*>(p)); }
};

void Extract(const BuiltEntry& e, const std::string& target, FolderList* list, uint32_t packedSize) {
    ExtractEntry(e.packed.data(), packedSize, target.c_str(), list);
}
void Extract(const BuiltEntry& e, const std::string& target, FolderList* list) {
    Extract(e, target, list, static_cast<uint32_t>(e.packed.size()));
}

}  // namespace

TEST(ExtractEntry, WritesFilesCreatesFoldersOnceAndOverwrites) {
    ScratchFolder scratch("xe");
    FolderList list;
    std::string big = VariedText(200000, 9);
    Extract(PackedEntry("a", big), scratch / "work\\sub\\a.bin", &list);
    EXPECT_EQ(big, ScratchFolder::ReadAll(scratch / "work\\sub\\a.bin"));
    Extract(PackedEntry("b", "second"), scratch / "work\\sub\\b.txt", &list);
    ASSERT_EQ(2u, list.Count());  // the shared sub-folder was recorded once
    EXPECT_EQ(scratch / "work\\sub", static_cast<const char*>(list.At(0)));
    EXPECT_EQ(scratch / "work", static_cast<const char*>(list.At(1)));

    // An existing file is emptied, not appended to; an empty stream gives an empty file.
    Extract(PackedEntry("c", "short"), scratch / "work\\sub\\a.bin", &list);
    EXPECT_EQ("short", ScratchFolder::ReadAll(scratch / "work\\sub\\a.bin"));
    Extract(PackedEntry("e", ""), scratch / "work\\empty", &list);
    EXPECT_EQ("", ScratchFolder::ReadAll(scratch / "work\\empty"));

    // A longer packedSize than the stream changes nothing.
    BuiltEntry tail = PackedEntry("t", "tail test");
    tail.packed.insert(tail.packed.end(), 64, 0x55);
    Extract(tail, scratch / "work\\tail", &list);
    EXPECT_EQ("tail test", ScratchFolder::ReadAll(scratch / "work\\tail"));
    EXPECT_EQ(2u, list.Count());
}

TEST(ExtractEntry, PathWithoutFolderGoesToTheCurrentDirectory) {
    ScratchFolder scratch("xc");
    std::string before = ScratchFolder::CurrentDirectory();
    SetCurrentDirectoryA(scratch.Path().c_str());
    FolderList list;
    Extract(PackedEntry("n", "here"), "plain.txt", &list);
    SetCurrentDirectoryA(before.c_str());
    EXPECT_EQ("here", ScratchFolder::ReadAll(scratch / "plain.txt"));
    EXPECT_TRUE(list.IsEmpty());
}

TEST(ExtractEntry, DamagedOrShortStreamsFailNamingTheFileAndLeaveItClosed) {
    ScratchFolder scratch("xd");
    FolderList list;
    BuiltEntry e = PackedEntry("d", VariedText(5000, 4));
    std::string target = scratch / "cut.bin";
    std::string detail;
    EXPECT_EQ(QvStreamException::StreamIncomplete,
              PointerCode([&] { Extract(e, target, &list, static_cast<uint32_t>(e.packed.size() - 10)); }, &detail));
    EXPECT_EQ(target, detail);
    // The file is closed: it can be deleted at once.
    EXPECT_TRUE(DeleteFileA(target.c_str()));

    BuiltEntry corrupt = e;
    corrupt.packed[corrupt.packed.size() / 2] ^= 0x5A;
    corrupt.packed[corrupt.packed.size() - 1] ^= 0x5A;
    EXPECT_EQ(QvStreamException::StreamIncomplete, PointerCode([&] { Extract(corrupt, target, &list); }));
    EXPECT_TRUE(DeleteFileA(target.c_str()));
}

TEST(ExtractEntry, OpenFailuresAndOverlongPaths) {
    ScratchFolder scratch("xo");
    FolderList list;
    BuiltEntry e = PackedEntry("o", "data");
    std::string target = scratch / "ro.bin";
    ScratchFolder::WriteAll(target, "keep");
    // A file another handle holds without sharing cannot be opened.
    HANDLE busy = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    std::string detail;
    EXPECT_EQ(QvStreamException::OpenFailed, PointerCode([&] { Extract(e, target, &list); }, &detail));
    EXPECT_EQ(target, detail);
    CloseHandle(busy);
    EXPECT_EQ("keep", ScratchFolder::ReadAll(target));

    // The platform opens paths of at most 259 characters: a longer target is
    // too long, said so before a folder is made for it.
    const struct {
        size_t length;
        int code;
    } lengths[] = {{259, 0}, {260, QvStreamException::PathTooLong}, {511, QvStreamException::PathTooLong},
                   {520, QvStreamException::PathTooLong}};
    for (const auto& l : lengths) {
        SCOPED_TRACE(l.length);
        std::string folder = scratch / ("d" + std::to_string(l.length));
        std::string path = folder + "\\" + std::string(l.length - folder.size() - 1, 'y');
        FolderList folders;
        EXPECT_EQ(l.code, PointerCode([&] { Extract(e, path, &folders); }, &detail));
        if (l.code == 0) {
            EXPECT_EQ("data", ScratchFolder::ReadAll(path));
            EXPECT_TRUE(DeleteFileA(path.c_str()));
            continue;
        }
        EXPECT_EQ(path, detail);
        EXPECT_EQ(0u, folders.Count());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str()));
    }
}

TEST(ExtractArchives, SixArchivesInOrderMissingOnesSkippedOthersNeverOpened) {
    ScratchFolder scratch("xa");
    MemorySource source;
    source.archives["BASE"] = BuildArchive({PackedEntry("z.txt", "z"), PackedEntry("dir\\a.txt", "a")});
    source.archives["TVVERSION"] = BuildArchive({PackedEntry("version.ini", "[v]\r\n")});
    source.archives["MIRVASTONE"] = BuildArchive({});
    source.archives["APPBASE"] = BuildArchive({PackedEntry("never.txt", "n")});
    source.archives["MIRVAUNINST"] = BuildArchive({PackedEntry("never2.txt", "n")});
    FolderList list;
    RecordingObserver observer;
    QvString work = (scratch / "TVQSetup0\\").c_str();
    ExtractArchives(source, kExtractedArchives, work, &list, &observer);

    EXPECT_EQ((std::vector<std::string>{"BASE", "SETUPBASE", "SETUPMIRVASTONE", "MIRVASTONE", "TVIMAGE",
                                        "TVVERSION"}),
              source.asked);
    std::vector<std::string> expected = {scratch / "TVQSetup0\\z.txt", scratch / "TVQSetup0\\dir\\a.txt",
                                         scratch / "TVQSetup0\\version.ini"};
    EXPECT_EQ(expected, observer.extracted);
    EXPECT_EQ(expected, observer.started);
    EXPECT_EQ("[v]\r\n", ScratchFolder::ReadAll(expected[2]));
    EXPECT_FALSE(ScratchFolder::Exists(scratch / "TVQSetup0\\never.txt"));
    ASSERT_EQ(2u, list.Count());
    EXPECT_EQ(scratch / "TVQSetup0\\dir", static_cast<const char*>(list.At(0)));
    EXPECT_EQ(scratch / "TVQSetup0", static_cast<const char*>(list.At(1)));
}

TEST(ExtractArchives, CorruptArchiveFailsBeforeAnyOfItsFilesIsWritten) {
    ScratchFolder scratch("xk");
    MemorySource source;
    source.archives["BASE"] = BuildArchive({PackedEntry("first.txt", "1")});
    Bytes bad = BuildArchive({PackedEntry("ok.txt", "fine"), PackedEntry("..\\escape.txt", "x")});
    source.archives["SETUPBASE"] = bad;
    FolderList list;
    RecordingObserver observer;
    QvString work = (scratch / "w\\").c_str();
    std::string detail;
    EXPECT_EQ(QvStreamException::CorruptArchive,
              PointerCode([&] { ExtractArchives(source, kExtractedArchives, work, &list, &observer); }, &detail));
    EXPECT_NE(std::string::npos, detail.find("SETUPBASE")) << detail;
    EXPECT_NE(std::string::npos, detail.find("record 1")) << detail;
    EXPECT_EQ((std::vector<std::string>{scratch / "w\\first.txt"}), observer.extracted);
    EXPECT_FALSE(ScratchFolder::Exists(scratch / "w\\ok.txt"));
    EXPECT_FALSE(ScratchFolder::Exists(scratch / "escape.txt"));

    // A device name fails the archive like a way out of the folder: on
    // Windows the entry would "succeed" and write nowhere.
    for (const char* device : {"CON", "sub\\NUL.txt", "LPT1.log", "conin$"}) {
        SCOPED_TRACE(device);
        source.archives["SETUPBASE"] = BuildArchive({PackedEntry("ok.txt", "fine"), PackedEntry(device, "x")});
        EXPECT_EQ(QvStreamException::CorruptArchive,
                  PointerCode([&] { ExtractArchives(source, kExtractedArchives, work, &list, nullptr); }, &detail));
        EXPECT_NE(std::string::npos, detail.find("SETUPBASE: ")) << detail;
        EXPECT_FALSE(ScratchFolder::Exists(scratch / "w\\ok.txt"));
        EXPECT_FALSE(ScratchFolder::Exists(scratch / "w\\sub"));
    }

    // Cut short: the directory runs past the resource's end.
    source.archives["SETUPBASE"] = Bytes(bad.begin(), bad.end() - 5);
    EXPECT_EQ(QvStreamException::CorruptArchive,
              PointerCode([&] { ExtractArchives(source, kExtractedArchives, work, &list, nullptr); }));
    EXPECT_FALSE(ScratchFolder::Exists(scratch / "w\\ok.txt"));
}

TEST(ExtractEntry, DamageIsReportedBeforeAFailingCloseAndTheFileIsClosed) {
    ScratchFolder scratch("xf");
    for (bool complete : {false, true}) {
        SCOPED_TRACE(complete ? "complete" : "damaged");
        std::string path = scratch / (complete ? "whole.bin" : "damaged.bin");
        auto* file = new QvFileStream(path.c_str(), QvFileStream::AccessWrite | QvFileStream::OpenCreate);
        HANDLE h = file->Handle();
        // Protected from closing, the handle makes the close fail.
        ASSERT_TRUE(SetHandleInformation(h, HANDLE_FLAG_PROTECT_FROM_CLOSE, HANDLE_FLAG_PROTECT_FROM_CLOSE));
        std::string detail;
        int code = PointerCode([&] { FinishEntryFile(file, complete, path.c_str()); }, &detail);
        if (complete) {
            EXPECT_EQ(QvStreamException::CloseFailed, code);
        } else {
            EXPECT_EQ(QvStreamException::StreamIncomplete, code);
            EXPECT_EQ(path, detail);
        }
        SetHandleInformation(h, HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
        EXPECT_TRUE(CloseHandle(h));
    }
}
