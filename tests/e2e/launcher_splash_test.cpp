// The real launcher's splash worked from outside, as a user works it. The
// launcher is started with its temporary folder on a drive that does not
// exist, so that it stops at its no-space message with the splash painted
// and the message box dispatching messages, before anything is created.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

#include "e2e_support.h"
#include "expected_texts.h"
#include "launcher_run.h"
#include "splash_test_support.h"

namespace {

const char kMissingDrive[] = "Q:";
const DWORD kMessageBoxMs = 30000;
const DWORD kQuestionMs = 10000;
const DWORD kExitMs = 10000;
const DWORD kScreenshotMs = 60000;

// The launcher's own picture, loaded as the splash loads it, as the bytes
// of a BMP file; empty when it cannot be read.
std::string PictureFile(const std::string& launcher) {
    LauncherPicture picture(launcher);
    const BITMAPINFOHEADER* block = picture.Dib();
    if (block == nullptr) return std::string();
    size_t bits = block->biSize + block->biClrUsed * 4;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = static_cast<DWORD>(sizeof header + bits + block->biSizeImage);
    header.bfOffBits = static_cast<DWORD>(sizeof header + bits);
    std::string file(reinterpret_cast<const char*>(&header), sizeof header);
    return file.append(reinterpret_cast<const char*>(block), bits + block->biSizeImage);
}

class LauncherSplash : public ::testing::Test {
protected:
    // Starts the launcher with tail and waits for its no-space message, with the splash up beside it.
    void ReachNoSpaceMessage(const std::string& tail = "") {
        texts_ = ExpectedTexts();
        ASSERT_NE(nullptr, texts_) << "unknown language " << Settings().language;
        run_.reset(new LauncherRun(std::string(kMissingDrive) + "\\tvprobe\\", FreshFolder("record-splash"), false));
        ASSERT_TRUE(run_->Start(tail)) << "cannot start the launcher: " << run_->Launcher().Failure();
        bool shown = FindMessageBox(Launcher().Id(), texts_->caption, kMessageBoxMs, &noSpace_);
        ASSERT_TRUE(shown) << "no message box; launcher " << (Launcher().Wait(0) ? "ended" : "runs");
        // A drive that does not exist has no free space.
        char expected[1024];
        snprintf(expected, sizeof expected, texts_->noSpace, kMissingDrive, 10.0, 0.0);
        ASSERT_EQ(expected, noSpace_.text);
        splash_ = FindSplashWindow(Launcher().Id());
        ASSERT_NE(nullptr, splash_) << "the splash is not up beside the no-space message";
    }

    // Closes the splash as its border's menu would; the question the
    // launcher asks then, null when it asks none.
    HWND AskToClose() {
        PostMessageA(splash_, WM_CLOSE, 0, 0);
        return FindDialogWithButton(Launcher().Id(), texts_->caption, IDYES, kQuestionMs);
    }

    ChildProcess& Launcher() { return run_->Launcher(); }

    const LanguageTexts* texts_ = nullptr;
    std::unique_ptr<LauncherRun> run_;
    MessageBoxWindow noSpace_;
    HWND splash_ = nullptr;
};

// No leaves everything as it was; Yes ends the launcher with 0 at once,
// from inside the no-space message, which would have ended it with 1.
TEST_F(LauncherSplash, ClosingAsksAndOnlyYesEndsTheRun) {
    ASSERT_NO_FATAL_FAILURE(ReachNoSpaceMessage());
    RECT client;
    ASSERT_TRUE(GetClientRect(splash_, &client));
    EXPECT_EQ(480, client.right);
    EXPECT_EQ(350, client.bottom);

    HWND question = AskToClose();
    ASSERT_NE(nullptr, question) << "closing the splash asks nothing";
    EXPECT_EQ(texts_->question, ReadMessageBox(question).text);
    EXPECT_NE(nullptr, GetDlgItem(question, IDNO)) << "the question offers no No";
    PressButton(question, IDNO);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(question); }, kQuestionMs)) << "the question stays after No";
    PumpFor(300);
    EXPECT_FALSE(Launcher().Wait(0)) << "after No the launcher ended with " << Launcher().ExitCode();
    EXPECT_TRUE(IsWindowVisible(splash_)) << "after No the splash is gone";
    EXPECT_TRUE(IsWindowVisible(noSpace_.window)) << "after No the no-space message is gone";

    question = AskToClose();
    ASSERT_NE(nullptr, question) << "closing the splash again asks nothing";
    PressButton(question, IDYES);
    ASSERT_TRUE(Launcher().Wait(kExitMs)) << "the launcher did not end after Yes";
    EXPECT_EQ(0u, Launcher().ExitCode());
}

// A deployment tool that waits for the installation learns of the user's
// abandon as "the user cancelled" (1602), not as a success.
TEST_F(LauncherSplash, ClosingWithWaitEndsAsCancelledByTheUser) {
    ASSERT_NO_FATAL_FAILURE(ReachNoSpaceMessage("/wait"));
    HWND question = AskToClose();
    ASSERT_NE(nullptr, question) << "closing the splash asks nothing";
    PressButton(question, IDYES);
    ASSERT_TRUE(Launcher().Wait(kExitMs)) << "the launcher did not end after Yes";
    EXPECT_EQ(1602u, Launcher().ExitCode());
}

// For tests/splash/splash-screenshot, which compares the screen with the
// picture: moves the no-space message off the splash, writes into the
// screenshot folder window.txt (the client area's left, top, width and
// height on the screen, then the window's), picture.bmp (the launcher's
// picture) and ready, waits for taken (the screenshot), and answers the
// message: the run then ends with 1.
TEST_F(LauncherSplash, HeldForAScreenshot) {
    const std::string& folder = Settings().screenshotFolder;
    if (folder.empty()) GTEST_SKIP() << "no --screenshot-folder: run by tests/splash/splash-screenshot";
    ASSERT_NO_FATAL_FAILURE(ReachNoSpaceMessage());
    // The message sits in the middle of the screen, over the splash: it
    // goes to the bottom left corner, clear of it.
    RECT box;
    GetWindowRect(noSpace_.window, &box);
    SetWindowPos(noSpace_.window, nullptr, 0, GetSystemMetrics(SM_CYSCREEN) - (box.bottom - box.top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(700);
    RECT client, outer, overlap;
    GetClientRect(splash_, &client);
    GetWindowRect(splash_, &outer);
    GetWindowRect(noSpace_.window, &box);
    ASSERT_FALSE(IntersectRect(&overlap, &box, &outer)) << "the no-space message still covers the splash";
    POINT origin = {0, 0};
    ClientToScreen(splash_, &origin);
    char place[160];
    snprintf(place, sizeof place, "%ld %ld %ld %ld\n%ld %ld %ld %ld\n", origin.x, origin.y, client.right,
             client.bottom, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
    std::string picture = PictureFile(Settings().launcher);
    ASSERT_FALSE(picture.empty()) << "the launcher's picture cannot be read";
    ASSERT_TRUE(ScratchFolder::WriteAll(folder + "\\window.txt", place));
    ASSERT_TRUE(ScratchFolder::WriteAll(folder + "\\picture.bmp", picture));
    ASSERT_TRUE(ScratchFolder::WriteAll(folder + "\\ready", ""));
    EXPECT_TRUE(WaitUntil([&] { return ScratchFolder::Exists(folder + "\\taken"); }, kScreenshotMs))
        << "the screenshot was not taken";
    PressButton(noSpace_.window, IDOK);
    ASSERT_TRUE(Launcher().Wait(kExitMs)) << "the launcher did not end after the no-space message";
    EXPECT_EQ(1u, Launcher().ExitCode());
}

}  // namespace
