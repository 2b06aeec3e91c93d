// The launcher's two failure reports as the user sees them, in the language
// of this run (the wrapper starts the driver once per language): the box is
// found by its caption, its text compared byte for byte, answered, and the
// exit code and the temporary folder checked afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "expected_texts.h"
#include "image_checksum.h"
#include "launcher_copies.h"
#include "launcher_run.h"
#include "payload_archives.h"
#include "pe_file.h"

namespace {

const DWORD kMessageBoxMs = 20000;
const DWORD kExitAfterOkMs = 10000;

// Names in a drive's root that only a launcher run creates.
std::vector<std::string> RunLeftovers(const std::string& root) {
    std::vector<std::string> found;
    for (const std::string& name : ListFolder(root)) {
        bool script = name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".bat") == 0;
        if (script || _strnicmp(name.c_str(), "TVQSetup", 8) == 0) found.push_back(name);
    }
    return found;
}

class FailureMessages : public ::testing::Test {
protected:
    void SetUp() override {
        texts_ = ExpectedTexts();
        ASSERT_NE(nullptr, texts_) << "unknown language " << Settings().language;
        // Without the language in the environment every run would pass in English.
        ASSERT_EQ(texts_->language, GetUserDefaultLangID()) << "LANG did not reach the Wine processes";
    }

    // Starts the launcher, answers its box and returns the box's text. With
    // tryToAbandon, a user first tries to close the splash behind the box
    // and confirms: a failed run must end with 2 all the same.
    void RunToMessageBox(const std::string& temp, const std::string& recordName, MessageBoxWindow* box,
                         DWORD* exitCode, bool tryToAbandon = false,
                         const std::string& program = Settings().launcher) {
        std::string record = FreshFolder(recordName);
        LauncherRun run(temp, record, false);
        ASSERT_TRUE(run.Start("", program)) << run.Launcher().Failure();
        bool shown = FindMessageBox(run.Launcher().Id(), texts_->caption, kMessageBoxMs, box);
        if (!shown) {
            run.Launcher().Wait(0);
            FAIL() << "no message box captioned \"" << texts_->caption << "\"; launcher exit code "
                   << run.Launcher().ExitCode();
        }
        if (tryToAbandon) AbandonThroughTheSplash(run.Launcher().Id());
        PressButton(box->window, IDOK);
        ASSERT_TRUE(run.Launcher().Wait(kExitAfterOkMs)) << "the launcher did not end after OK";
        *exitCode = run.Launcher().ExitCode();
        // A failed run never starts the next stage.
        EXPECT_FALSE(ScratchFolder::Exists(record + "\\command-line.txt"));
    }

    void AbandonThroughTheSplash(DWORD launcher) {
        HWND splash = FindSplashWindow(launcher);
        EXPECT_EQ(nullptr, splash) << "the splash is still up behind the failure report";
        if (splash == nullptr) return;
        PostMessageA(splash, WM_CLOSE, 0, 0);
        HWND question = FindDialogWithButton(launcher, texts_->caption, IDYES, kMessageBoxMs);
        if (question != nullptr) PressButton(question, IDYES);
        WaitUntil([&] { return !IsWindow(question); }, 5000);
    }

    const LanguageTexts* texts_ = nullptr;
};

std::string Format(const char* format, const char* text, int number) {
    char buffer[1024];
    snprintf(buffer, sizeof buffer, format, text, number);
    return buffer;
}

TEST_F(FailureMessages, TooLittleSpaceOnTheTemporaryDrive) {
    const std::string& drive = Settings().smallDrive;
    if (drive.empty()) GTEST_SKIP() << "no small drive was set up";
    std::string root = drive + "\\";
    ULARGE_INTEGER available, total;
    ASSERT_TRUE(GetDiskFreeSpaceExA(root.c_str(), &available, &total, nullptr));
    ASSERT_LT(available.QuadPart, 10485760u) << drive << " has too much room for this test";
    char expected[1024];
    snprintf(expected, sizeof expected, texts_->noSpace, drive.c_str(), 10.0,
             static_cast<double>(static_cast<float>(available.QuadPart)) / 1048576.0);

    MessageBoxWindow box;
    DWORD exitCode = 0;
    ASSERT_NO_FATAL_FAILURE(RunToMessageBox(root, "record-no-space", &box, &exitCode));
    EXPECT_EQ(expected, box.text);
    EXPECT_FALSE(box.showsIcon);
    EXPECT_EQ(1u, exitCode);
    if (Settings().smallDrivePrivate)
        EXPECT_EQ(std::vector<std::string>(), ListTree(drive));
    else
        EXPECT_EQ(std::vector<std::string>(), RunLeftovers(drive));
}

TEST_F(FailureMessages, TemporaryFolderThatCannotHoldTheScript) {
    // A folder that does not exist: no script can be created in it, and the
    // report names the folder.
    std::string temp = FreshFolder("missing-parent") + "\\missing\\";
    MessageBoxWindow box;
    DWORD exitCode = 0;
    ASSERT_NO_FATAL_FAILURE(RunToMessageBox(temp, "record-missing", &box, &exitCode, true));
    EXPECT_EQ(Format(texts_->failure, temp.c_str(), 7), box.text);
    EXPECT_TRUE(box.showsIcon);
    EXPECT_EQ(2u, exitCode);
    EXPECT_FALSE(ScratchFolder::Exists(temp));
}

TEST_F(FailureMessages, UnpackingThatFailsMidwayRemovesWhatItUnpacked) {
    const std::string& drive = Settings().fewInodesDrive;
    if (drive.empty()) GTEST_SKIP() << "no drive with few inodes: mounting needs root";
    std::string root = drive + "\\";
    MessageBoxWindow box;
    DWORD exitCode = 0;
    ASSERT_NO_FATAL_FAILURE(RunToMessageBox(root, "record-few-inodes", &box, &exitCode));

    // Which file fails depends on the drive's inode count; it must be one of
    // the payload's, and not the first, so that the run had unpacked some.
    std::string format = texts_->failure;
    std::string lead = format.substr(0, format.find("%s"));
    ASSERT_EQ(0u, box.text.find(lead)) << box.text;
    std::string file = box.text.substr(lead.size());
    file = file.substr(0, file.find('\n'));
    std::vector<PayloadFile> payload = ExpectedPayload(ArchiveNames(kExtractedArchives));
    std::string work = root + "TVQSetup0\\";
    auto failed = std::find_if(payload.begin(), payload.end(),
                               [&](const PayloadFile& p) { return work + p.name == file; });
    EXPECT_TRUE(failed != payload.end() && failed != payload.begin()) << file;
    EXPECT_EQ(Format(texts_->failure, file.c_str(), 7), box.text);
    EXPECT_TRUE(box.showsIcon);
    EXPECT_EQ(2u, exitCode);
    // Everything the run created is gone again: files, folders and the script.
    EXPECT_EQ(std::vector<std::string>(), ListTree(drive));
}

TEST_F(FailureMessages, CorruptArchiveStopsTheRunAndRemovesWhatItUnpacked) {
    // TVIMAGE is the fifth archive: four have been unpacked when it is found corrupt.
    std::string launcher = LauncherWithCorruptArchive(FreshFolder("corrupt-launcher"));
    ASSERT_FALSE(launcher.empty()) << "cannot make a launcher with a corrupt archive";
    std::string temp = FreshFolder("corrupt-temp") + "\\";
    MessageBoxWindow box;
    DWORD exitCode = 0;
    ASSERT_NO_FATAL_FAILURE(RunToMessageBox(temp, "record-corrupt", &box, &exitCode, true, launcher));

    // The archives live in the launcher's own file: the report names that
    // file and the code of a corrupt archive, and on a line of its own the
    // archive and what is wrong with it.
    std::string expected = Format(texts_->failure, launcher.c_str(), 21) + "\nTVIMAGE: ";
    EXPECT_EQ(0u, box.text.find(expected)) << box.text;
    EXPECT_TRUE(box.showsIcon);
    EXPECT_EQ(2u, exitCode);
    EXPECT_EQ(std::vector<std::string>(), ListTree(temp.substr(0, temp.size() - 1)));
}

}  // namespace

namespace {

TEST_F(FailureMessages, DiskFullInTheMiddleOfAFile) {
    const std::string& temp = Settings().fullFolder;
    if (temp.empty()) GTEST_SKIP() << "no nearly full folder: mounting needs root";
    // The drive has room, so the free-space test passes; the folder itself
    // is a file system of 1 MB, which the payload's largest file overruns.
    ULARGE_INTEGER available, total;
    ASSERT_TRUE(GetDiskFreeSpaceExA(temp.substr(0, 2).c_str(), &available, &total, nullptr));
    ASSERT_GE(available.QuadPart, 10485760u);
    MessageBoxWindow box;
    DWORD exitCode = 0;
    ASSERT_NO_FATAL_FAILURE(RunToMessageBox(temp, "record-full", &box, &exitCode, true));

    std::string format = texts_->failure;
    std::string lead = format.substr(0, format.find("%s"));
    ASSERT_EQ(0u, box.text.find(lead)) << box.text;
    std::string file = box.text.substr(lead.size());
    file = file.substr(0, file.find('\n'));
    std::string work = temp + "TVQSetup0\\";
    std::vector<PayloadFile> payload = ExpectedPayload({"BASE"});
    EXPECT_TRUE(std::any_of(payload.begin(), payload.end(), [&](const PayloadFile& p) { return work + p.name == file; }))
        << box.text;
    // The write that hit the end of the space wrote part of its bytes: the
    // report shows ShortWrite's 3 (a drive filled exactly at a write's start
    // would give WriteFailed's 2).
    EXPECT_EQ(Format(texts_->failure, file.c_str(), 3), box.text);
    EXPECT_EQ(2u, exitCode);
    EXPECT_EQ(std::vector<std::string>(), ListTree(temp.substr(0, temp.size() - 1)));
}

}  // namespace
