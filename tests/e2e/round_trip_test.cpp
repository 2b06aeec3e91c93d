// The launcher from start to the end of the clean-up: what it unpacks, the
// script it writes, the command line the next stage gets, the archives the
// next stage can still read out of the launcher, and that nothing of the
// run is left afterwards. Also the single-instance test against real windows.
#include <gtest/gtest.h>
#include <windows.h>

// After windows.h, whose types it uses.
#include <sddl.h>

#include <stdio.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "expected_run.h"
#include "launcher_run.h"
#include "payload_archives.h"
#include "test_thread.h"

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
        lines += file.archive + "\t" + file.name + "\t" + std::to_string(ScratchFolder::ReadAll(file.source).size()) + "\n";
    return lines;
}

void ExpectUnpackedFiles(const std::string& work, const std::vector<PayloadFile>& files) {
    EXPECT_EQ("", UnpackedDifference(work, files));
}

// path with every folder in its long form, in the 8-bit form the platform
// gives ('?' for what the code page lacks).
std::string LongForm(const std::string& path) {
    wchar_t longPath[MAX_PATH] = {};
    DWORD n = GetLongPathNameW(Wide(path).c_str(), longPath, MAX_PATH);
    return n > 0 && n < MAX_PATH ? Ansi(longPath) : "no long form of " + path;
}

// The access list of path as the platform reads it back, in its text form.
std::string AccessList(const std::string& path) {
    DWORD size = 0;
    GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::string descriptor(size, '\0');
    char* text = nullptr;
    if (size == 0 || !GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, &descriptor[0], size, &size) ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorA(&descriptor[0], SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr))
        return "unreadable";
    std::string list = text;
    LocalFree(text);
    return list;
}

bool GrantsEveryone(const std::string& accessList) { return accessList.find(";;;WD)") != std::string::npos; }

// What a round trip starts from and must find.
struct RoundTripExpectation {
    std::string temp;                 // with trailing backslash
    std::wstring tempWide;            // when set, TEMP and TMP instead of temp, which is then its 8-bit form
    std::wstring launcher;            // a copy of the launcher to start; empty: the build's
    std::string resourceFile;         // the ResourceFile the next stage must get; empty: the build's launcher
    std::string tail;                 // passed on the launcher's command line
    std::vector<std::string> before;  // ListTree of the temporary folder before the run
    std::function<std::string(const std::string&)> batch = [](const std::string& path) { return path; };
    // Unelevated, the launcher works in temp, which TEMP and TMP name. As it
    // is (elevated), it works in the machine's temporary folder, which temp
    // must then name, and TEMP and TMP name steered instead, which it must
    // leave alone.
    Elevation elevation = Elevation::Unelevated;
    std::string steered;
    // Other processes of the user at work while the launcher runs: started
    // just before it, told to stop (the flag) once the next stage runs.
    std::function<void(const volatile bool& stop)> meanwhile;
    // Entries of the launcher's environment set (value) or removed (empty).
    std::vector<std::pair<std::string, std::string>> environment;
};

// The machine's temporary folder, where an elevated run works, with a
// trailing backslash.
std::string MachineTemp() {
    char windows[MAX_PATH] = {};
    UINT n = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(windows) + "\\Temp\\" : std::string("no Windows folder\\");
}

// Runs the launcher to the hand-over, checks what the next stage saw and
// what lies on disk while the next stage holds the clean-up back, lets the
// clean-up run and checks that the temporary folder is as before. Hands out
// the script path and the working folder the run chose.
void RunRoundTrip(const RoundTripExpectation& expect, const std::string& recordName, std::string* scriptOut,
                  std::string* workOut) {
    std::string record = FreshFolder(recordName);
    LauncherRun run(expect.steered.empty() ? expect.temp : expect.steered, record, true, expect.elevation);
    if (!expect.tempWide.empty()) {
        run.Environment().Set("TEMP", expect.tempWide);
        run.Environment().Set("TMP", expect.tempWide);
    }
    for (const auto& entry : expect.environment) {
        if (entry.second.empty())
            run.Environment().Remove(entry.first);
        else
            run.Environment().Set(entry.first, entry.second);
    }
    ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
    volatile bool stop = false;
    std::unique_ptr<TestThread> meanwhile;
    if (expect.meanwhile) meanwhile.reset(new TestThread([&] { expect.meanwhile(stop); }));
    bool started = expect.launcher.empty() ? run.Start(expect.tail) : run.Start(expect.tail, expect.launcher);
    bool nextStage = started && run.WaitForNextStage(kNextStageMs);
    stop = true;
    if (meanwhile) meanwhile->Join();
    ASSERT_TRUE(started) << "cannot start the launcher: " << run.Launcher().Failure();
    ASSERT_TRUE(run.Launcher().Wait(kLauncherMs)) << "the launcher did not end";
    EXPECT_EQ(0u, run.Launcher().ExitCode());
    ASSERT_TRUE(nextStage) << "the next stage did not start";

    std::string commandLine = run.Recorded("command-line.txt");
    std::string script = QuotedValue(commandLine, "CleanUp");
    std::string work = run.Recorded("current-directory.txt") + "\\";
    *scriptOut = script;
    *workOut = work;
    std::string resourceFile = expect.resourceFile.empty() ? Settings().launcher : expect.resourceFile;
    EXPECT_EQ(std::string(kFixedCommand) + "ResourceFile=\"" + resourceFile + "\" CleanUp=\"" + script + "\" " +
                  expect.tail,
              commandLine);
    // Started by its full path from the working folder, which is its
    // current directory. It reads its own path with the 8-bit call, which
    // gives the long form.
    EXPECT_EQ(LongForm(work + "Zoratrel.exe"), run.Recorded("module.txt"));
    EXPECT_EQ(ExpectedArchiveRecord(), run.Recorded("archives.txt"));

    std::vector<PayloadFile> files = ExpectedPayload(kUnpackedArchives);
    ExpectUnpackedFiles(work, files);
    EXPECT_EQ(ExpectedScript(work, script, files, expect.batch), ScratchFolder::ReadAll(script));
    // Wine keeps no access list, but gives a new file or folder the Unix
    // permissions of the one it is created with: read back, a folder made
    // without one grants everyone, while the working folder and the script,
    // made for the user, Administrators and SYSTEM alone, do not.
    EXPECT_TRUE(GrantsEveryone(AccessList(record))) << AccessList(record);
    EXPECT_FALSE(GrantsEveryone(AccessList(WithoutTrailingBackslash(work)))) << AccessList(work);
    EXPECT_FALSE(GrantsEveryone(AccessList(script))) << AccessList(script);

    run.ReleaseCleanup();
    EXPECT_TRUE(run.WaitForCleanup(script, kCleanupMs)) << "the clean-up script did not finish";
    // The script deletes itself last; give the folder lines before it a moment to be visible.
    WaitUntil([&] { return ListTree(WithoutTrailingBackslash(expect.temp)) == expect.before; }, 5000);
    EXPECT_EQ(expect.before, ListTree(WithoutTrailingBackslash(expect.temp)));
    if (!expect.steered.empty()) {
        EXPECT_EQ(std::vector<std::string>(), ListTree(WithoutTrailingBackslash(expect.steered)))
            << "an elevated run created something where TEMP points";
    }
}

TEST(RoundTrip, UnpacksHandsOverAndCleansUpEverything) {
    RoundTripExpectation expect;
    expect.temp = FreshFolder("plain") + "\\";
    std::string script, work;
    ASSERT_NO_FATAL_FAILURE(RunRoundTrip(expect, "record-plain", &script, &work));
    // The first free names of a clean temporary folder.
    EXPECT_EQ(expect.temp + "0.bat", script);
    EXPECT_EQ(expect.temp + "TVQSetup0\\", work);
}

// Run as it is, elevated as its manifest asks, the launcher works in the
// machine's temporary folder, whatever TEMP and TMP say: in the user's own
// temporary folder any process of the user could move its working folder
// aside while it fills it. Nothing of the run stays there either.
TEST(RoundTrip, ElevatedRunWorksInTheMachineTemporaryFolderWhateverTempSays) {
    RoundTripExpectation expect;
    expect.elevation = Elevation::AsIs;
    expect.temp = MachineTemp();
    expect.steered = FreshFolder("steered") + "\\";
    expect.before = ListTree(WithoutTrailingBackslash(expect.temp));
    std::string script, work;
    ASSERT_NO_FATAL_FAILURE(RunRoundTrip(expect, "record-elevated", &script, &work));
    EXPECT_EQ(0u, script.find(expect.temp)) << script;
    EXPECT_EQ(0u, work.find(expect.temp + "TVQSetup")) << work;
}

// The moment the working folder appears, another process of the user tries
// to move it aside and put its own in its place, again and again while the
// launcher fills it. Every try meets the launcher's hold, and the next stage
// runs from the folder the launcher made, with exactly what it unpacked.
TEST(RoundTrip, AProcessThatTriesToSwapTheWorkingFolderIsRefused) {
    for (Elevation elevation : {Elevation::AsIs, Elevation::Unelevated}) {
        SCOPED_TRACE(elevation == Elevation::AsIs ? "elevated" : "unelevated");
        RoundTripExpectation expect;
        expect.elevation = elevation;
        if (elevation == Elevation::AsIs) {
            expect.temp = MachineTemp();
            expect.steered = FreshFolder("swap-steered") + "\\";
        } else {
            expect.temp = FreshFolder("swap") + "\\";
        }
        expect.before = ListTree(WithoutTrailingBackslash(expect.temp));
        // The last file the launcher unpacks: once it is there, filling is over.
        const std::string last = ExpectedPayload(kUnpackedArchives).back().name;
        int refused = 0, other = 0, moved = 0;
        DWORD otherError = 0;
        std::string swapped;
        expect.meanwhile = [&](const volatile bool& stop) {
            while (!stop) {
                for (const std::string& name : ListFolder(WithoutTrailingBackslash(expect.temp))) {
                    if (name.compare(0, 8, "TVQSetup") != 0 || name.back() != '\\') continue;
                    if (std::find(expect.before.begin(), expect.before.end(), name) != expect.before.end()) continue;
                    std::string folder = expect.temp + name.substr(0, name.size() - 1);
                    while (!stop && !ScratchFolder::Exists(folder + "\\" + last)) {
                        std::string aside = folder + "-aside";
                        if (MoveFileExA(folder.c_str(), aside.c_str(), 0)) {
                            // Put back at once, so that the run can go on, and count it.
                            ++moved;
                            swapped = folder;
                            MoveFileExA(aside.c_str(), folder.c_str(), 0);
                        } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
                            ++refused;
                        } else {
                            ++other;
                            otherError = GetLastError();
                        }
                    }
                    return;
                }
                Sleep(1);
            }
        };
        std::string script, work;
        ASSERT_NO_FATAL_FAILURE(RunRoundTrip(expect, "record-swap", &script, &work));
        printf("swap attempts on %s: %d refused (sharing violation), %d moved, %d failed otherwise\n", work.c_str(),
               refused, moved, other);
        EXPECT_GT(refused, 0) << "no try was made while the launcher filled its folder";
        EXPECT_EQ(0, moved) << "the folder " << swapped << " was moved aside";
        EXPECT_EQ(0, other) << "a try failed with error " << otherError;
        EXPECT_EQ(0u, work.find(expect.temp + "TVQSetup")) << work;
    }
}

// Started from a command prompt whose current folder on C: has been
// removed since (the prompt keeps it in the =C: variable the launcher
// inherits), with its own current folder on another drive: the free-space
// test asks the drive's root, not what "C:" resolves to, and the run is a
// normal one.
TEST(RoundTrip, AGoneCurrentFolderOfTheDriveDoesNotMakeItFull) {
    std::string gone = FreshFolder("gone-current");
    ASSERT_TRUE(RemoveDirectoryA(gone.c_str()));
    ASSERT_EQ(0u, gone.find("C:\\")) << "the scratch folder is to be on C:";
    RoundTripExpectation expect;
    expect.temp = FreshFolder("gone-temp") + "\\";
    expect.environment.push_back({"=C:", gone});
    std::string script, work;
    ASSERT_NO_FATAL_FAILURE(RunRoundTrip(expect, "record-gone", &script, &work));
    EXPECT_EQ(expect.temp + "0.bat", script);
}

TEST(RoundTrip, PassesTheCommandTailOnUnchangedQuotesIncluded) {
    RoundTripExpectation expect;
    expect.temp = FreshFolder("tail") + "\\";
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
    std::string base = FreshFolder("odd");
    ASSERT_EQ(std::string::npos, base.find_first_of(" %&()")) << "the scratch folder itself must be plain";
    RoundTripExpectation expect;
    expect.temp = base + "\\" + oddName + "\\";
    ASSERT_TRUE(CreateDirectoryA(expect.temp.c_str(), nullptr));
    // An earlier run's script and working folder, which this run must leave alone.
    const std::string oldScript = "del C:\\nothing\r\n";
    ASSERT_TRUE(ScratchFolder::WriteAll(expect.temp + "0.bat", oldScript));
    ASSERT_TRUE(CreateDirectoryA((expect.temp + "TVQSetup0").c_str(), nullptr));
    ASSERT_TRUE(ScratchFolder::WriteAll(expect.temp + "TVQSetup0\\setup.inf", "earlier"));
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
    EXPECT_EQ(oldScript, ScratchFolder::ReadAll(expect.temp + "0.bat"));
    EXPECT_EQ("earlier", ScratchFolder::ReadAll(expect.temp + "TVQSetup0\\setup.inf"));
}

// 16-bit names of the folders below the scratch folder; *ansi gets the 8-bit
// form that names the same folder: exact, or with shortName its short form.
std::wstring MakeFolders(const std::string& scratch, const std::wstring& relative, bool shortName,
                         std::string* ansi) {
    std::wstring path = Wide(scratch);
    for (size_t start = 0; start < relative.size();) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos) end = relative.size();
        path += L"\\" + relative.substr(start, end - start);
        CreateDirectoryW(path.c_str(), nullptr);
        start = end + 1;
    }
    wchar_t shortPath[MAX_PATH] = {};
    DWORD n = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    *ansi = shortName ? (n > 0 && n < MAX_PATH ? Ansi(shortPath) : "no short name") : Ansi(path);
    return path;
}

// Three machines on code page 1252 whose folder names it cannot hold, and
// one whose name it can: the launcher hands on 8-bit paths that name the
// right places, the next stage reads both archives through ResourceFile,
// and the clean-up leaves nothing.
TEST(RoundTrip, FolderNamesOutsideTheAnsiCodePage) {
    ASSERT_EQ(1252u, GetACP()) << "these machines are set up with the ANSI code page 1252 (LANG=en_US.UTF-8)";
    struct Case {
        const char* name;
        const wchar_t* user;      // the temporary folder is <scratch>\<user>\Temp; null: a plain one
        const wchar_t* download;  // the launcher runs from a copy in <scratch>\<download>; null: the build's
        bool shortNames;          // the paths it hands on are short forms, not the exact 8-bit ones
    };
    const Case cases[] = {
        {"Cyrillic user", L"\u0414\u043c\u0438\u0442\u0440\u0438\u0439", nullptr, true},
        {"CJK user", L"\u738b\u5c0f\u660e", nullptr, true},
        {"Cyrillic download folder", nullptr, L"\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438", true},
        // A name the code page holds keeps the bytes of the 8-bit functions.
        {"o-umlaut user", L"J\u00f6rg", nullptr, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string scratch = FreshFolder("foreign" + std::to_string(++index));
        RoundTripExpectation expect;
        expect.temp = scratch + "\\";
        if (c.user != nullptr) {
            expect.tempWide = MakeFolders(scratch, std::wstring(c.user) + L"\\Temp", c.shortNames, &expect.temp) + L"\\";
            expect.temp += "\\";
        }
        if (c.download != nullptr) {
            std::wstring folder = MakeFolders(FreshFolder("download" + std::to_string(index)), c.download,
                                              c.shortNames, &expect.resourceFile);
            expect.launcher = folder + L"\\setup.exe";
            ASSERT_TRUE(CopyFileW(Wide(Settings().launcher).c_str(), expect.launcher.c_str(), FALSE));
            expect.resourceFile += "\\setup.exe";
        }
        // Short names hold '~', which the script quotes; o-umlaut is 0x94 in the OEM code page.
        expect.batch = [](const std::string& path) {
            std::string batch = path;
            std::replace(batch.begin(), batch.end(), '\xF6', '\x94');
            return path.find('~') != std::string::npos ? "\"" + batch + "\"" : batch;
        };
        std::string script, work;
        ASSERT_NO_FATAL_FAILURE(RunRoundTrip(expect, "record-foreign" + std::to_string(index), &script, &work));
        EXPECT_EQ(expect.temp + "0.bat", script);
        EXPECT_EQ(expect.temp + "TVQSetup0\\", work);
        for (const std::string& path : {script, work, expect.resourceFile})
            EXPECT_EQ(std::string::npos, path.find('?')) << path;
    }
}

// The tail the next stage gets is cut from the launcher's command line as
// it was written, by whoever started it: a shortcut may put an argument
// right behind the quoted program name.
TEST(CommandLine, TailIsCutAfterTheProgramNameAsWritten) {
    std::string folder = FreshFolder("cmd") + "\\dl folder";
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
        std::string temp = FreshFolder("cmd-temp" + suffix) + "\\";
        LauncherRun run(temp, FreshFolder("cmd-record" + suffix), false);
        ASSERT_TRUE(run.StartCommandLine(c.program, c.commandLine)) << run.Launcher().Failure();
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
    std::string temp = FreshFolder("handover") + "\\";
    LauncherRun run(temp, FreshFolder("record-handover"), false);
    // Long enough for the launcher to end while the window is still there.
    run.Environment().Set("TV_DEMO_WINDOW_MS", "4000");
    ASSERT_TRUE(run.Start("")) << run.Launcher().Failure();
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
    ASSERT_TRUE(setupWindowOwner.Start(Settings().zoratrel, "Zoratrel.exe", environment, Elevation::AsIs))
        << setupWindowOwner.Failure();
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = FindSetupWindow()) != nullptr; }, 20000));
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    ASSERT_EQ(setupWindowOwner.Id(), owner);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 5000));

    std::string temp = FreshFolder("single") + "\\";
    std::string record = FreshFolder("record-single");
    {
        LauncherRun run(temp, record, false);
        ASSERT_TRUE(run.Start("")) << run.Launcher().Failure();
        ASSERT_TRUE(run.Launcher().Wait(kLauncherMs));
        EXPECT_EQ(0u, run.Launcher().ExitCode());
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) == FALSE; }, 5000)) << "the window was not restored";
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(std::vector<std::string>(), ListTree(WithoutTrailingBackslash(temp)));
        // No next stage started: it would have recorded its command line.
        EXPECT_FALSE(ScratchFolder::Exists(record + "\\command-line.txt"));

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
    expect.temp = FreshFolder("lookalikes") + "\\";
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
