// The launcher's check of its own file, on copies of the real launcher
// changed the way a damaged download or a careless release step changes
// them. A damaged copy says so in the user's language, before the space
// test, creates nothing and ends with 2; a copy whose header stores no
// checksum runs as always.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "expected_texts.h"
#include "image_checksum.h"
#include "launcher_run.h"
#include "pe_file.h"

namespace {

const DWORD kMessageBoxMs = 20000;
const DWORD kExitMs = 10000;
const DWORD kNextStageMs = 30000;

enum class Checksum { Kept, OffByOne, Zero };
enum class Temp { Scratch, FullDrive };

struct Change {
    const char* name;
    const char* flippedArchive;  // TVArc resource whose middle byte is inverted, or null
    bool flipDosStub;            // invert a byte of the MS-DOS stub, which Windows never runs
    Checksum checksum;
};

// A copy of the launcher with the change applied, in a folder of its own; empty on failure.
std::string ChangedLauncher(const Change& change, const std::string& folderName) {
    bool found = false;
    std::string bytes = ScratchFolder::ReadAll(Settings().launcher, &found);
    if (!found) {
        ADD_FAILURE() << "cannot read " << Settings().launcher;
        return std::string();
    }
    const unsigned char* image = reinterpret_cast<const unsigned char*>(bytes.data());
    ImageChecksumField field;
    if (!FindImageChecksumField(image, bytes.size(), &field) || field.stored == 0) {
        ADD_FAILURE() << Settings().launcher << " has no header checksum to test with";
        return std::string();
    }
    if (change.flippedArchive != nullptr) {
        PeResource archive = FindPeResource(image, bytes.size(), "TVArc", change.flippedArchive);
        bytes[archive.fileOffset + archive.size / 2] ^= 0xFF;
    }
    if (change.flipDosStub) bytes[0x50] ^= 0xFF;  // inside "This program cannot be run in DOS mode"
    uint32_t stored = change.checksum == Checksum::Zero       ? 0
                      : change.checksum == Checksum::OffByOne ? field.stored + 1
                                                              : field.stored;
    for (int i = 0; i < 4; ++i) bytes[field.offset + i] = static_cast<char>(stored >> (8 * i));
    std::string path = FreshFolder(folderName) + "\\setup.exe";
    if (!ScratchFolder::WriteAll(path, bytes)) {
        ADD_FAILURE() << "cannot write " << path;
        return std::string();
    }
    return path;
}

struct DamagedCase {
    Change change;
    Temp temp;
};

const DamagedCase kDamaged[] = {
    // An archive the launcher never unpacks itself: only the check can notice.
    {{"a byte of APPBASE inverted", "APPBASE", false, Checksum::Kept}, Temp::Scratch},
    {{"the stored checksum one too high", nullptr, false, Checksum::OffByOne}, Temp::Scratch},
    // The check comes first: a full drive does not hide the damage.
    {{"a byte of APPBASE inverted, temporary folder on a full drive", "APPBASE", false, Checksum::Kept},
     Temp::FullDrive},
};

TEST(LauncherSelfCheck, DamagedCopiesAreRefusedBeforeAnythingIsCreated) {
    const LanguageTexts* texts = ExpectedTexts();
    ASSERT_NE(nullptr, texts) << "unknown language " << Settings().language;
    int index = 0;
    for (const DamagedCase& c : kDamaged) {
        SCOPED_TRACE(c.change.name);
        std::string launcher = ChangedLauncher(c.change, "self-check-" + std::to_string(index++));
        ASSERT_FALSE(launcher.empty());
        std::string temp, tempTree;
        if (c.temp == Temp::FullDrive) {
            if (!Settings().smallDrivePrivate) continue;  // its contents are not this run's alone
            temp = Settings().smallDrive + "\\";
            tempTree = Settings().smallDrive;
        } else {
            tempTree = FreshFolder("self-check-temp");
            temp = tempTree + "\\";
        }
        std::vector<std::string> before = ListTree(tempTree);
        std::string record = FreshFolder("self-check-record");

        LauncherRun run(temp, record, false);
        ASSERT_TRUE(run.Start("", launcher)) << run.Launcher().Failure();
        MessageBoxWindow box;
        bool shown = FindMessageBox(run.Launcher().Id(), texts->caption, kMessageBoxMs, &box);
        if (!shown) {
            run.Launcher().Wait(kExitMs);
            ADD_FAILURE() << "no message box; launcher exit code " << run.Launcher().ExitCode();
            continue;
        }
        char expected[2048];
        snprintf(expected, sizeof expected, texts->damaged, launcher.c_str());
        EXPECT_EQ(expected, box.text);
        EXPECT_TRUE(box.showsIcon);
        // With the splash still up, closing it behind the box would end the run with 0.
        EXPECT_EQ(nullptr, FindSplashWindow(run.Launcher().Id())) << "the splash is still up behind the message";
        PressButton(box.window, IDOK);
        ASSERT_TRUE(run.Launcher().Wait(kExitMs)) << "the launcher did not end after OK";
        EXPECT_EQ(2u, run.Launcher().ExitCode());
        EXPECT_EQ(before, ListTree(tempTree));
        EXPECT_FALSE(ScratchFolder::Exists(record + "\\command-line.txt"));
    }
}

TEST(LauncherSelfCheck, CopyWithoutChecksumRunsAsAlways) {
    // 0 means "no checksum": there is nothing to compare, so even a changed byte passes.
    Change change = {"no checksum, a byte of the MS-DOS stub inverted", nullptr, true, Checksum::Zero};
    std::string launcher = ChangedLauncher(change, "self-check-none");
    ASSERT_FALSE(launcher.empty());
    std::string temp = FreshFolder("self-check-none-temp") + "\\";
    std::string record = FreshFolder("self-check-none-record");
    LauncherRun run(temp, record, false);
    ASSERT_TRUE(run.Start("", launcher)) << run.Launcher().Failure();
    ASSERT_TRUE(run.WaitForNextStage(kNextStageMs)) << "the next stage did not start";
    ASSERT_TRUE(run.Launcher().Wait(kExitMs));
    EXPECT_EQ(0u, run.Launcher().ExitCode());
    EXPECT_NE(std::string::npos, run.Recorded("command-line.txt").find("ResourceFile=\"" + launcher + "\""));
    EXPECT_TRUE(run.WaitForCleanup(temp + "0.bat", kNextStageMs));
}

}  // namespace
