// The launcher from start to the end of the clean-up: what it unpacks, the
// script it writes, the command line the next stage gets, the archives the
// next stage can still read out of the launcher, and that nothing of the
// run is left afterwards. Also the single-instance test against real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "expected_run.h"
#include "launcher_run.h"
#include "payload_archives.h"

namespace {

const DWORD kLauncherMs = 30000;
const DWORD kNextStageMs = 30000;
const DWORD kCleanupMs = 30000;

const std::vector<std::string> kUnpackedArchives = ArchiveNames(kExtractedArchives);
const char kFixedCommand[] =
    "Zoratrel.exe TVSetup SetupProgram=TVMirva Basic=Yes Wnd=Normal Server=None Wnd=Maximized ";

// What the next stage records for the two archives it reads out of the launcher.
std::string ExpectedArchiveRecord() {
    std::string lines;
    for (const PayloadFile& file : ExpectedPayload(ArchiveNames(kNextStageArchives)))
        lines += file.archive + "\t" + file.name + "\t" + std::to_string(ReadBytes(file.source).size()) + "\n";
    return lines;
}

void ExpectUnpackedFiles(const std::string& work, const std::vector<PayloadFile>& files) {
    EXPECT_EQ("", UnpackedDifference(work, files));
}

// What a round trip starts from and must find.
struct RoundTripExpectation {
    std::string temp;                 // with trailing backslash
    std::string tail;                 // passed on the launcher's command line
    std::vector<std::string> before;  // ListTree of the temporary folder before the run
    std::function<std::string(const std::string&)> batch = [](const std::string& path) { return path; };
};

// Runs the launcher to the hand-over, checks what the next stage saw and
// what lies on disk while the next stage holds the clean-up back, lets the
// clean-up run and checks that the temporary folder is as before. Hands out
// the script path and the working folder the run chose.
void RunRoundTrip(const RoundTripExpectation& expect, const std::string& recordName, std::string* scriptOut,
                  std::string* workOut) {
    std::string record = ScratchFolder(recordName);
    LauncherRun run(expect.temp, record, true);
    ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
    ASSERT_TRUE(run.Start(expect.tail)) << "cannot start " << Settings().launcher;
    ASSERT_TRUE(run.Launcher().Wait(kLauncherMs)) << "the launcher did not end";
    EXPECT_EQ(0u, run.Launcher().ExitCode());
    ASSERT_TRUE(run.WaitForNextStage(kNextStageMs)) << "the next stage did not start";

    std::string commandLine = run.Recorded("command-line.txt");
    std::string script = QuotedValue(commandLine, "CleanUp");
    std::string work = run.Recorded("current-directory.txt") + "\\";
    *scriptOut = script;
    *workOut = work;
    EXPECT_EQ(std::string(kFixedCommand) + "ResourceFile=\"" + Settings().launcher + "\" CleanUp=\"" + script +
                  "\" " + expect.tail,
              commandLine);
    // Started by its full path from the working folder, which is its current directory.
    EXPECT_EQ(work + "Zoratrel.exe", run.Recorded("module.txt"));
    EXPECT_EQ(ExpectedArchiveRecord(), run.Recorded("archives.txt"));

    std::vector<PayloadFile> files = ExpectedPayload(kUnpackedArchives);
    ExpectUnpackedFiles(work, files);
    EXPECT_EQ(ExpectedScript(work, script, files, expect.batch), ReadBytes(script));

    run.ReleaseCleanup();
    EXPECT_TRUE(run.WaitForCleanup(script, kCleanupMs)) << "the clean-up script did not finish";
    // The script deletes itself last; give the folder lines before it a moment to be visible.
    WaitUntil([&] { return ListTree(WithoutTrailingBackslash(expect.temp)) == expect.before; }, 5000);
    EXPECT_EQ(expect.before, ListTree(WithoutTrailingBackslash(expect.temp)));
}

TEST(RoundTrip, UnpacksHandsOverAndCleansUpEverything) {
    RoundTripExpectation expect;
    expect.temp = ScratchFolder("plain") + "\\";
    std::string script, work;
    ASSERT_NO_FATAL_FAILURE(RunRoundTrip(expect, "record-plain", &script, &work));
    // The first free names of a clean temporary folder.
    EXPECT_EQ(expect.temp + "0.bat", script);
    EXPECT_EQ(expect.temp + "TVQSetup0\\", work);
}

TEST(RoundTrip, PassesTheCommandTailOnUnchangedQuotesIncluded) {
    RoundTripExpectation expect;
    expect.temp = ScratchFolder("tail") + "\\";
    expect.tail = "/lang=de \"Target Folder=C:\\Program Files\\Tessaroven\"  x\\\"y CleanUp=\"no\" ";
    std::string script, work;
    ASSERT_NO_FATAL_FAILURE(RunRoundTrip(expect, "record-tail", &script, &work));
    EXPECT_EQ(expect.temp + "0.bat", script);
}

TEST(RoundTrip, OddTemporaryFolderAndNamesAnEarlierRunLeft) {
    // A blank, a percent sign, an ampersand, parentheses and o-umlaut
    // (Windows-1252 0xF6): each one means something to the command
    // interpreter or to the OEM code page.
    const std::string oddName = "e2e 5%&(x)\xF6";
    const std::string oddInScript = "e2e 5%%&(x)\x94";
    std::string base = ScratchFolder("odd");
    ASSERT_EQ(std::string::npos, base.find_first_of(" %&()")) << "the scratch folder itself must be plain";
    RoundTripExpectation expect;
    expect.temp = base + "\\" + oddName + "\\";
    ASSERT_TRUE(CreateDirectoryA(expect.temp.c_str(), nullptr));
    // An earlier run's script and working folder, which this run must leave alone.
    const std::string oldScript = "del C:\\nothing\r\n";
    ASSERT_TRUE(WriteBytes(expect.temp + "0.bat", oldScript));
    ASSERT_TRUE(CreateDirectoryA((expect.temp + "TVQSetup0").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(expect.temp + "TVQSetup0\\setup.inf", "earlier"));
    expect.before = ListTree(WithoutTrailingBackslash(expect.temp));
    expect.batch = [&](const std::string& path) {
        std::string batch = path;
        size_t at = batch.find(oddName);
        if (at != std::string::npos) batch.replace(at, oddName.size(), oddInScript);
        return "\"" + batch + "\"";
    };

    std::string script, work;
    ASSERT_NO_FATAL_FAILURE(RunRoundTrip(expect, "record-odd", &script, &work));
    ASSERT_EQ(0u, script.find(expect.temp)) << script;
    std::string number = script.substr(expect.temp.size(), script.size() - expect.temp.size() - 4);
    EXPECT_EQ(".bat", script.substr(script.size() - 4));
    EXPECT_NE("0", number);
    EXPECT_EQ(std::string::npos, number.find_first_not_of("0123456789")) << number;
    ASSERT_EQ(0u, work.find(expect.temp + "TVQSetup")) << work;
    EXPECT_NE(expect.temp + "TVQSetup0\\", work);
    EXPECT_EQ(oldScript, ReadBytes(expect.temp + "0.bat"));
    EXPECT_EQ("earlier", ReadBytes(expect.temp + "TVQSetup0\\setup.inf"));
}

// The tail the next stage gets is cut from the launcher's command line as
// it was written, by whoever started it: a shortcut may put an argument
// right behind the quoted program name.
TEST(CommandLine, TailIsCutAfterTheProgramNameAsWritten) {
    std::string folder = ScratchFolder("cmd") + "\\dl folder";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string copy = folder + "\\setup.exe";
    ASSERT_TRUE(CopyFileA(Settings().launcher.c_str(), copy.c_str(), FALSE));
    struct Case {
        std::string program;
        std::string commandLine;
        std::string tail;
    };
    const Case cases[] = {
        {Settings().launcher, "\"" + Settings().launcher + "\"/S x", "/S x"},
        {Settings().launcher, "setup.exe\t\t/S \"x y\"", "/S \"x y\""},
        {copy, "\"" + copy + "\"  /S  x ", "/S  x "},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        std::string suffix = std::to_string(++index);
        std::string temp = ScratchFolder("cmd-temp" + suffix) + "\\";
        LauncherRun run(temp, ScratchFolder("cmd-record" + suffix), false);
        ASSERT_TRUE(run.StartCommandLine(c.program, c.commandLine));
        ASSERT_TRUE(run.Launcher().Wait(kLauncherMs)) << "the launcher did not end";
        EXPECT_EQ(0u, run.Launcher().ExitCode());
        ASSERT_TRUE(run.WaitForNextStage(kNextStageMs)) << "the next stage did not start";
        std::string commandLine = run.Recorded("command-line.txt");
        std::string script = QuotedValue(commandLine, "CleanUp");
        EXPECT_EQ(std::string(kFixedCommand) + "ResourceFile=\"" + c.program + "\" CleanUp=\"" + script + "\" " +
                      c.tail,
                  commandLine);
        EXPECT_TRUE(run.WaitForCleanup(script, kCleanupMs)) << "the clean-up script did not finish";
    }
}

// The splash is the only thing on the screen until the next stage's window
// is: the launcher destroys it only once the started program waits for input.
TEST(Launch, SplashStaysUntilTheNextStageShowsItsWindow) {
    ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
    std::string temp = ScratchFolder("handover") + "\\";
    LauncherRun run(temp, ScratchFolder("record-handover"), false);
    // Long enough for the launcher to end while the window is still there.
    run.Environment().Set("TV_DEMO_WINDOW_MS", "4000");
    ASSERT_TRUE(run.Start(""));
    bool splashSeen = false, launcherEnded = false;
    DWORD gapAt = 0, start = GetTickCount();
    while (GetTickCount() - start < kLauncherMs) {
        launcherEnded = WaitForSingleObject(run.Launcher().Handle(), 0) == WAIT_OBJECT_0;
        // The splash first, then the window: the splash may vanish only when
        // the window is there already.
        bool splash = FindSplashWindow(run.Launcher().Id()) != nullptr;
        bool window = FindSetupWindow() != nullptr;
        if (splash) splashSeen = true;
        if (splashSeen && !splash && !window && gapAt == 0) gapAt = GetTickCount() - start;
        if (launcherEnded || (splashSeen && !splash && window)) break;
        Sleep(2);
    }
    EXPECT_TRUE(splashSeen) << "the splash never showed";
    EXPECT_EQ(0u, gapAt) << "the splash was gone before the next stage's window was up (" << gapAt
                         << " ms after the start)";
    ASSERT_TRUE(run.Launcher().Wait(kLauncherMs)) << "the launcher did not end";
    EXPECT_EQ(0u, run.Launcher().ExitCode());
    EXPECT_TRUE(run.WaitForNextStage(kNextStageMs));
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(SingleInstance, RestoresAnOpenMinimisedSetupWindowAndStartsNothing) {
    ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
    // The demo next stage, started on its own, keeps its setup window open.
    EnvironmentBlock environment = EnvironmentBlock::Current();
    environment.Set("TV_DEMO_WINDOW_MS", "60000");
    environment.Remove("TV_DEMO_RECORD_DIR");
    environment.Remove("TV_DEMO_HOLD_EVENT");
    environment.Remove("TV_DEMO_READY_EVENT");
    ChildProcess setupWindowOwner;
    ASSERT_TRUE(setupWindowOwner.Start(Settings().zoratrel, "Zoratrel.exe", environment));
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = FindSetupWindow()) != nullptr; }, 20000));
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    ASSERT_EQ(setupWindowOwner.Id(), owner);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 5000));

    std::string temp = ScratchFolder("single") + "\\";
    std::string record = ScratchFolder("record-single");
    {
        LauncherRun run(temp, record, false);
        ASSERT_TRUE(run.Start(""));
        ASSERT_TRUE(run.Launcher().Wait(kLauncherMs));
        EXPECT_EQ(0u, run.Launcher().ExitCode());
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) == FALSE; }, 5000)) << "the window was not restored";
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(std::vector<std::string>(), ListTree(WithoutTrailingBackslash(temp)));
        // No next stage started: it would have recorded its command line.
        EXPECT_FALSE(PathExists(record + "\\command-line.txt"));

        // Closing the window ends the demo next stage (and unblocks the destructor's wait).
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(setupWindowOwner.Wait(10000));
        EXPECT_EQ(0u, setupWindowOwner.ExitCode());
    }
}

TEST(SingleInstance, OnlyClassAndTitleTogetherStopTheLauncher) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kSetupWindowClass;
    ASSERT_TRUE(RegisterClassA(&windowClass));
    windowClass.lpszClassName = "TvE2eOtherFrame";
    ASSERT_TRUE(RegisterClassA(&windowClass));
    HWND sameClass = CreateWindowA(kSetupWindowClass, "Tessaroven Setup - Help", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                   nullptr, nullptr, instance, nullptr);
    HWND sameTitle = CreateWindowA("TvE2eOtherFrame", kSetupWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                   nullptr, instance, nullptr);
    ASSERT_NE(nullptr, sameClass);
    ASSERT_NE(nullptr, sameTitle);
    ShowWindow(sameClass, SW_SHOWMINNOACTIVE);
    ShowWindow(sameTitle, SW_SHOWMINNOACTIVE);

    RoundTripExpectation expect;
    expect.temp = ScratchFolder("lookalikes") + "\\";
    std::string script, work;
    RunRoundTrip(expect, "record-lookalikes", &script, &work);
    EXPECT_EQ(expect.temp + "0.bat", script);
    // Neither was taken for the setup window.
    EXPECT_TRUE(IsIconic(sameClass));
    EXPECT_TRUE(IsIconic(sameTitle));

    DestroyWindow(sameClass);
    DestroyWindow(sameTitle);
    UnregisterClassA(kSetupWindowClass, instance);
    UnregisterClassA("TvE2eOtherFrame", instance);
}

}  // namespace
