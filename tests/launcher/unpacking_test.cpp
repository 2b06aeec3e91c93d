// The unpacking step: entries into files, and the archives of a run into
// its working folder and its script.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive_builder.h"
#include "created_files.h"
#include "import_hook.h"
#include "log_lines.h"
#include "payload_archives.h"
#include "pointer_code.h"
#include "qv_stream_exception.h"
#include "qv_text.h"
#include "recorded_paths.h"
#include "run_log.h"
#include "scratch_folder.h"
#include "unpacking.h"

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

void Extract(const BuiltEntry& e, const std::string& target, FolderList* list, uint32_t packedSize) {
    UnpackEntry(e.packed.data(), packedSize, target.c_str(), list);
}
void Extract(const BuiltEntry& e, const std::string& target, FolderList* list) {
    Extract(e, target, list, static_cast<uint32_t>(e.packed.size()));
}

// What one run's unpacking left: its failure, and the script once finished.
struct UnpackedRun {
    int code = 0;        // of the QvStreamException pointer that left, 0 for none
    std::string detail;  // its text
    std::string work;        // the working folder, with its trailing backslash
    std::string scriptPath;  // the clean-up script
    std::string script;      // its bytes, the "rmdir" lines and its own line written after the unpacking
    std::string log;         // what the unpacking wrote to the run's log, without the times
};

// A log's text without the time that begins each line, a line feed after each.
std::string WithoutTimes(const std::string& log) {
    std::string lines;
    for (const std::string& line : LogTexts(log)) lines += line + "\n";
    return lines;
}

// Unpacks source in a run of its own below temp (ending in a backslash),
// then finishes the script and commits the run, so that what it made stays
// to be looked at.
UnpackedRun UnpackInRun(const MemorySource& source, const std::string& temp) {
    UnpackedRun result;
    CreatedFiles run(temp.c_str());
    run.ReserveNames(nullptr);
    run.StartScript();
    std::string logPath = temp + "run.log";
    {
        RunLog log;
        log.Open(logPath.c_str());
        result.code = PointerCode([&] { UnpackArchives(source, &run, &log); }, &result.detail);
    }
    result.log = WithoutTimes(ScratchFolder::ReadAll(logPath));
    DeleteFileA(logPath.c_str());
    run.FinishScript();
    run.Commit();
    result.work = Text(run.WorkFolder());
    result.scriptPath = Text(run.ScriptPath());
    result.script = ScratchFolder::ReadAll(result.scriptPath);
    return result;
}

// The script of a run: its first text, one "del" line per file unpacked,
// one "rmdir" line per folder below the working folder (newest first), then
// the working folder's line and the script's own.
std::string ScriptOf(const UnpackedRun& run, const std::vector<std::string>& files,
                     const std::vector<std::string>& folders) {
    std::string script = "cd \\\r\n" + run.work + "Kestavon %1\r\n";
    for (const std::string& file : files) script += "del " + run.work + file + "\r\n";
    for (const std::string& folder : folders) script += "rmdir " + run.work + folder + "\r\n";
    return script + "rmdir " + run.work.substr(0, run.work.size() - 1) + "\r\ndel " + run.scriptPath + "\r\n";
}

}  // namespace

TEST(UnpackEntry, WritesFilesCreatesFoldersOnceAndOverwrites) {
    ScratchFolder scratch("xe");
    FolderList list;
    std::string big = VariedText(200000, 9);
    Extract(PackedEntry("a", big), scratch / "work\\sub\\a.bin", &list);
    EXPECT_EQ(big, ScratchFolder::ReadAll(scratch / "work\\sub\\a.bin"));
    Extract(PackedEntry("b", "second"), scratch / "work\\sub\\b.txt", &list);
    // The shared sub-folder was recorded once.
    EXPECT_EQ((std::vector<std::string>{scratch / "work\\sub", scratch / "work"}), Recorded(list));

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
    EXPECT_EQ(2u, Recorded(list).size());
}

TEST(UnpackEntry, PathWithoutFolderGoesToTheCurrentDirectory) {
    ScratchFolder scratch("xc");
    std::string before = ScratchFolder::CurrentDirectory();
    SetCurrentDirectoryA(scratch.Path().c_str());
    FolderList list;
    Extract(PackedEntry("n", "here"), "plain.txt", &list);
    SetCurrentDirectoryA(before.c_str());
    EXPECT_EQ("here", ScratchFolder::ReadAll(scratch / "plain.txt"));
    EXPECT_TRUE(list.IsEmpty());
}

TEST(UnpackEntry, DamagedOrShortStreamsFailNamingTheFileAndLeaveItClosed) {
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

TEST(UnpackEntry, OpenFailuresAndOverlongPaths) {
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
        EXPECT_TRUE(folders.IsEmpty());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str()));
    }
}

// Closes the handle and says it failed, as a close that fails after the
// file's bytes are gone would.
decltype(&CloseHandle) g_realClose = nullptr;
BOOL WINAPI ClosedButFailing(HANDLE handle) {
    g_realClose(handle);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST(UnpackEntry, DamageIsReportedBeforeAFailingCloseAndTheFileIsClosed) {
    ScratchFolder scratch("xf");
    FolderList list;
    BuiltEntry whole = PackedEntry("w", VariedText(3000, 6));
    for (bool complete : {false, true}) {
        SCOPED_TRACE(complete ? "complete" : "damaged");
        std::string path = scratch / (complete ? "whole.bin" : "damaged.bin");
        uint32_t size = static_cast<uint32_t>(whole.packed.size()) - (complete ? 0 : 10);
        std::string detail;
        int code;
        {
            ImportHook hook("kernel32.dll", "CloseHandle", reinterpret_cast<void*>(ClosedButFailing));
            ASSERT_TRUE(hook.Installed());
            g_realClose = reinterpret_cast<decltype(&CloseHandle)>(hook.Original());
            code = PointerCode([&] { Extract(whole, path, &list, size); }, &detail);
        }
        if (complete) {
            EXPECT_EQ(QvStreamException::CloseFailed, code);
        } else {
            EXPECT_EQ(QvStreamException::StreamIncomplete, code);
            EXPECT_EQ(path, detail);
        }
        EXPECT_TRUE(DeleteFileA(path.c_str())) << "left open";
    }
}

TEST(UnpackArchives, SixArchivesInOrderMissingOnesSkippedOthersNeverOpened) {
    ScratchFolder scratch("xa");
    MemorySource source;
    source.archives["BASE"] = BuildArchive({PackedEntry("z.txt", "z"), PackedEntry("dir\\a.txt", "a")});
    source.archives["TVVERSION"] = BuildArchive({PackedEntry("version.ini", "[v]\r\n")});
    source.archives["MIRVASTONE"] = BuildArchive({});
    source.archives["APPBASE"] = BuildArchive({PackedEntry("never.txt", "n")});
    source.archives["MIRVAUNINST"] = BuildArchive({PackedEntry("never2.txt", "n")});
    UnpackedRun run = UnpackInRun(source, scratch.Path() + "\\");

    EXPECT_EQ(0, run.code) << run.detail;
    EXPECT_EQ((std::vector<std::string>{"BASE", "SETUPBASE", "SETUPMIRVASTONE", "MIRVASTONE", "TVIMAGE",
                                        "TVVERSION"}),
              source.asked);
    // Entries in directory order, each with its line once complete.
    EXPECT_EQ(ScriptOf(run, {"z.txt", "dir\\a.txt", "version.ini"}, {"dir"}), run.script);
    EXPECT_EQ("a", ScratchFolder::ReadAll(run.work + "dir\\a.txt"));
    EXPECT_EQ("[v]\r\n", ScratchFolder::ReadAll(run.work + "version.ini"));
    EXPECT_FALSE(ScratchFolder::Exists(run.work + "never.txt"));
    // Each archive's line in the log, with what its entries hold (the
    // times vary; they stand between "in " and " ms").
    std::string log = run.log;
    for (size_t in = log.find("unpacked in "); in != std::string::npos; in = log.find("unpacked in ", in + 12))
        log.erase(in + 12, log.find(" ms", in) - in - 12);
    EXPECT_EQ("BASE: 2 entries, 2 bytes unpacked in  ms\n"
              "SETUPBASE: not in the launcher, skipped\n"
              "SETUPMIRVASTONE: not in the launcher, skipped\n"
              "MIRVASTONE: 0 entries, 0 bytes unpacked in  ms\n"
              "TVIMAGE: not in the launcher, skipped\n"
              "TVVERSION: 1 entries, 5 bytes unpacked in  ms\n",
              log);
}

TEST(UnpackArchives, CorruptArchiveFailsBeforeAnyOfItsFilesIsWritten) {
    ScratchFolder scratch("xk");
    MemorySource source;
    source.archives["BASE"] = BuildArchive({PackedEntry("first.txt", "1")});
    Bytes bad = BuildArchive({PackedEntry("ok.txt", "fine"), PackedEntry("..\\escape.txt", "x")});
    // The second record is at fault each time: a way out of the folder; a
    // device name, which on Windows would "succeed" and write nowhere; a
    // directory cut short, running past the resource's end.
    std::vector<std::pair<std::string, Bytes>> cases = {{"way out", bad}};
    for (const char* device : {"CON", "sub\\NUL.txt", "LPT1.log", "conin$"})
        cases.push_back({device, BuildArchive({PackedEntry("ok.txt", "fine"), PackedEntry(device, "x")})});
    cases.push_back({"cut short", Bytes(bad.begin(), bad.end() - 5)});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        source.archives["SETUPBASE"] = c.second;
        UnpackedRun run = UnpackInRun(source, scratch.Path() + "\\");
        EXPECT_EQ(QvStreamException::CorruptArchive, run.code);
        EXPECT_EQ(0u, run.detail.find("SETUPBASE: ")) << run.detail;
        EXPECT_NE(std::string::npos, run.detail.find("(record 1)")) << run.detail;
        EXPECT_EQ(ScriptOf(run, {"first.txt"}, {}), run.script);
        EXPECT_FALSE(ScratchFolder::Exists(run.work + "ok.txt"));
        EXPECT_FALSE(ScratchFolder::Exists(run.work + "sub"));
        EXPECT_FALSE(ScratchFolder::Exists(scratch / "escape.txt"));
    }
}

// A file is the run's before it is created: one left half-done by damaged
// data is the failure's path and goes with the rest when the run is given up.
TEST(UnpackArchives, AFileLeftHalfDoneIsRemovedWithTheRun) {
    ScratchFolder scratch("xh");
    std::string temp = scratch.Path() + "\\";
    MemorySource source;
    BuiltEntry cut = PackedEntry("sub\\big.bin", VariedText(50000, 2));
    cut.packed.resize(cut.packed.size() / 2);
    source.archives["BASE"] = BuildArchive({PackedEntry("ok.txt", "fine"), cut});
    std::string work, detail;
    {
        CreatedFiles run(temp.c_str());
        run.ReserveNames(nullptr);
        run.StartScript();
        work = Text(run.WorkFolder());
        EXPECT_EQ(QvStreamException::StreamIncomplete, PointerCode([&] { UnpackArchives(source, &run, nullptr); }, &detail));
        EXPECT_EQ(work + "sub\\big.bin", detail);
        EXPECT_EQ(detail, run.CurrentPath());
        EXPECT_TRUE(ScratchFolder::Exists(detail));
    }
    EXPECT_FALSE(ScratchFolder::Exists(work));
}
