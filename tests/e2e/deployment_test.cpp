// The launcher as the tools that install software on many machines run it:
// with /wait it ends with the installation's own code once the installation
// has ended, with /quiet (or where nobody can see a window) it shows no
// window and keeps its reports in the log, and a second installation ends
// with 1618 instead of running beside the first.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "e2e_support.h"
#include "expected_run.h"
#include "expected_texts.h"
#include "install_mutex.h"
#include "launcher_copies.h"
#include "launcher_run.h"
#include "log_lines.h"

namespace {

const DWORD kLauncherMs = 60000;
const DWORD kNextStageMs = 30000;
const DWORD kCleanupMs = 30000;
const DWORD kInstallMs = 1500;
const DWORD kInstallationCode = 3010;  // success, a restart wanted
const DWORD kUserCancelled = 1602;
const DWORD kAnotherInstallation = 1618;

// The log's lines without the time that begins each of them.
std::vector<std::string> LogLines(const std::string& path) { return LogTexts(ScratchFolder::ReadAll(path)); }

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

struct WindowSearch {
    DWORD id;
    bool found;
};

// A window procedure's convention: a lambda will not do on i686.
BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM data) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->id && IsWindowVisible(window)) search->found = true;
    return !search->found;
}

// Whether process id has a visible top-level window.
bool ShowsAWindow(DWORD id) {
    WindowSearch search = {id, false};
    EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits for the process to end, noting meanwhile whether it ever showed a window.
bool WaitWatchingWindows(ChildProcess& process, DWORD milliseconds, bool* showed) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (ShowsAWindow(process.Id())) *showed = true;
        if (process.Wait(5)) return true;
    }
    return false;
}

// The open setup window of the application, shown by the demo next stage
// started on its own; ends it at the end.
class OpenSetupWindow {
public:
    OpenSetupWindow() {
        EnvironmentBlock environment = EnvironmentBlock::Current();
        environment.Set("TV_DEMO_WINDOW_MS", "60000");
        for (const char* name : {"TV_DEMO_RECORD_DIR", "TV_DEMO_HOLD_EVENT", "TV_DEMO_READY_EVENT"})
            environment.Remove(name);
        if (!owner_.Start(Settings().zoratrel, "Zoratrel.exe", environment, Elevation::AsIs)) return;
        WaitUntil([&] { return (window_ = FindSetupWindow()) != nullptr; }, 20000);
    }
    ~OpenSetupWindow() {
        if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
        owner_.Wait(10000);
    }
    HWND Window() const { return window_; }

private:
    ChildProcess owner_;
    HWND window_ = nullptr;
};

}  // namespace

// A deployment tool waits for setup.exe: with /wait it ends once the
// installation has, with the installation's own code, and the log says
// what happened step by step. The clean-up leaves nothing.
TEST(Deployment, WaitEndsWithTheInstallationsOwnCodeOnceItHasEnded) {
    ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
    std::string temp = FreshFolder("wait") + "\\";
    std::string record = FreshFolder("record-wait");
    std::string log = record + "\\setup.log";
    LauncherRun run(temp, record, false);
    run.Environment().Set("TV_DEMO_WINDOW_MS", std::to_string(kInstallMs));
    run.Environment().Set("TV_DEMO_EXIT_CODE", std::to_string(kInstallationCode));
    DWORD start = GetTickCount();
    ASSERT_TRUE(run.Start("/WAIT /log=\"" + log + "\" /S x")) << run.Launcher().Failure();
    ASSERT_TRUE(run.Launcher().Wait(kLauncherMs)) << "the launcher did not end";
    DWORD took = GetTickCount() - start;
    // The next stage writes its last record just before it ends.
    bool installationEnded = ScratchFolder::Exists(record + "\\cleanup.txt");
    EXPECT_EQ(kInstallationCode, run.Launcher().ExitCode());
    EXPECT_TRUE(installationEnded) << "the launcher ended before the installation";
    EXPECT_GE(took, kInstallMs);
    // The launcher's options are its own; the rest reaches the next stage.
    std::string commandLine = run.Recorded("command-line.txt");
    EXPECT_EQ("\" /S x", commandLine.substr(commandLine.size() - 6)) << commandLine;
    std::string script = QuotedValue(commandLine, "CleanUp");
    EXPECT_TRUE(run.WaitForCleanup(script, kCleanupMs)) << "the clean-up script did not finish";
    EXPECT_TRUE(WaitUntil([&] { return ListTree(WithoutTrailingBackslash(temp)).empty(); }, 5000))
        << "left: " << Joined(ListTree(WithoutTrailingBackslash(temp)));

    std::vector<std::string> lines = LogLines(log);
    SCOPED_TRACE(Joined(lines));
    // The steps the log must show, each by how its line begins.
    const std::string starts[] = {
        "Tessaroven setup launcher ",
        "options: /wait /log",
        "running ",
        "temporary folder " + temp + ", ",
        "working folder " + temp + "TVQSetup0\\, clean-up script " + temp + "0.bat",
        "BASE: ",
        "TVVERSION: ",
        "starting Zoratrel.exe TVSetup ",
        "the next stage runs, process id ",
        "the next stage ended with exit code 3010 after ",
        "exit code 3010",
    };
    size_t previous = 0;
    for (const std::string& start : starts) {
        std::string line = LogLineStartingWith(lines, start);
        EXPECT_FALSE(line.empty()) << "no line beginning \"" << start << "\"";
        size_t at = std::find(lines.begin(), lines.end(), line) - lines.begin();
        EXPECT_GE(at, previous) << "\"" << start << "\" out of order";
        previous = at;
    }
    EXPECT_NE(std::string::npos, LogLineStartingWith(lines, "running ").find(" as not elevated"));
    EXPECT_NE(std::string::npos, LogLineStartingWith(lines, "Tessaroven setup launcher ").find(", command tail: /WAIT /log="));
    EXPECT_NE(std::string::npos, LogLineStartingWith(lines, "BASE: ").find(" entries, "));
    EXPECT_EQ(std::string::npos, LogLineStartingWith(lines, "starting ").find("/WAIT")) << "the option went on";
}

// With /quiet no window shows, whatever happens: the run ends with its
// code by itself, and the report a box would have shown is in the log.
TEST(Deployment, QuietShowsNoWindowAndLogsWhatABoxWouldHaveSaid) {
    const LanguageTexts* texts = ExpectedTexts();
    ASSERT_NE(nullptr, texts);
    ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
    struct Case {
        const char* name;
        std::string launcher;
        std::string temp;  // empty: a fresh one
        DWORD exitCode;
        std::string reportStart;  // how the report's first line begins in the log
    };
    std::string damaged = DamagedLauncher(FreshFolder("quiet-damaged"));
    std::string corrupt = LauncherWithCorruptArchive(FreshFolder("quiet-corrupt"));
    ASSERT_FALSE(damaged.empty());
    ASSERT_FALSE(corrupt.empty());
    std::string noSpaceFirstLine = std::string(texts->noSpace).substr(0, std::string(texts->noSpace).find("%s"));
    std::string failureFirstLine = std::string(texts->failure).substr(0, 40);
    std::string damagedFirstLine = std::string(texts->damaged).substr(0, 40);
    std::vector<Case> cases = {
        {"a damaged download", damaged, "", 2, damagedFirstLine},
        {"an archive that cannot be unpacked", corrupt, "", 2, failureFirstLine},
        {"a successful run", Settings().launcher, "", 0, ""},
    };
    if (!Settings().smallDrive.empty())
        cases.push_back({"too little space", Settings().launcher, Settings().smallDrive + "\\", 1, noSpaceFirstLine});
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string suffix = std::to_string(++index);
        std::string temp = c.temp.empty() ? FreshFolder("quiet-temp" + suffix) + "\\" : c.temp;
        std::vector<std::string> before = ListTree(WithoutTrailingBackslash(temp));
        std::string record = FreshFolder("quiet-record" + suffix);
        std::string log = record + "\\quiet.log";
        LauncherRun run(temp, record, false);
        ASSERT_TRUE(run.Start("/quiet /log=" + log, c.launcher)) << run.Launcher().Failure();
        bool showed = false;
        ASSERT_TRUE(WaitWatchingWindows(run.Launcher(), kLauncherMs, &showed)) << "the launcher did not end";
        EXPECT_EQ(c.exitCode, run.Launcher().ExitCode());
        EXPECT_FALSE(showed) << "a window of the launcher showed";
        std::vector<std::string> lines = LogLines(log);
        EXPECT_EQ("exit code " + std::to_string(c.exitCode), lines.empty() ? "" : lines.back()) << Joined(lines);
        if (c.exitCode != 0) {
            EXPECT_FALSE(LogLineStartingWith(lines, c.reportStart).empty()) << Joined(lines);
            EXPECT_FALSE(ScratchFolder::Exists(record + "\\command-line.txt")) << "the next stage was started";
            EXPECT_EQ(before, ListTree(WithoutTrailingBackslash(temp)));
        } else {
            ASSERT_TRUE(run.WaitForNextStage(kNextStageMs));
            std::string script = QuotedValue(run.Recorded("command-line.txt"), "CleanUp");
            EXPECT_TRUE(run.WaitForCleanup(script, kCleanupMs));
        }
    }
}

// Another installation at work: a setup window is open, or another
// launcher holds the machine's lock. A tool that waits or runs quietly
// learns it with 1618 and nothing is done; a user's plain run ends with 0
// as it always did.
TEST(Deployment, ASecondInstallationEndsWith1618AndDoesNothing) {
    ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
    struct Case {
        const char* tail;
        DWORD exitCode;
    };
    const Case cases[] = {{"/quiet /wait", kAnotherInstallation},
                          {"/wait", kAnotherInstallation},
                          {"/Quiet", kAnotherInstallation},
                          {"", 0}};
    for (bool window : {true, false}) {
        SCOPED_TRACE(window ? "beside an open setup window" : "beside another launcher's lock");
        std::unique_ptr<OpenSetupWindow> open;
        HANDLE lock = nullptr;
        if (window) {
            open.reset(new OpenSetupWindow);
            ASSERT_NE(nullptr, open->Window()) << "the setup window did not open";
        } else {
            lock = CreateMutexA(nullptr, FALSE, kInstallMutexName);
            ASSERT_NE(nullptr, lock);
        }
        int index = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.tail);
            std::string suffix = std::to_string(++index) + (window ? "w" : "m");
            std::string temp = FreshFolder("second" + suffix) + "\\";
            std::string record = FreshFolder("record-second" + suffix);
            std::string log = record + "\\second.log";
            // Not a LauncherRun: that waits for the setup window to close, which stays open here.
            EnvironmentBlock environment = EnvironmentBlock::Current();
            environment.Set("TEMP", temp);
            environment.Set("TMP", temp);
            environment.Set("TV_DEMO_RECORD_DIR", record);
            ChildProcess launcher;
            std::string commandLine = "\"" + Settings().launcher + "\" " + c.tail + " /log=" + log;
            ASSERT_TRUE(launcher.Start(Settings().launcher, commandLine, environment, Elevation::Unelevated))
                << launcher.Failure();
            ASSERT_TRUE(launcher.Wait(kLauncherMs));
            EXPECT_EQ(c.exitCode, launcher.ExitCode());
            EXPECT_EQ(std::vector<std::string>(), ListTree(WithoutTrailingBackslash(temp)));
            EXPECT_FALSE(ScratchFolder::Exists(record + "\\command-line.txt")) << "a next stage was started";
            std::vector<std::string> lines = LogLines(log);
            EXPECT_FALSE(LogLineStartingWith(lines, window ? "a setup window of the application is open"
                                                         : "another launcher of the application is at work")
                             .empty())
                << Joined(lines);
        }
        if (lock != nullptr) CloseHandle(lock);
    }
}

// A service, or SYSTEM in session 0, runs on a window station nobody sees:
// a box there could never be answered and the run would hang until the
// deployment tool gave up. Started on a window station of its own, the
// launcher behaves as with /quiet.
TEST(Deployment, NobodyToAnswerOnAWindowStationNobodySees) {
    HWINSTA station = CreateWindowStationA(("tv-e2e-" + std::to_string(GetCurrentProcessId())).c_str(), 0,
                                           GENERIC_ALL, nullptr);
    ASSERT_NE(nullptr, station) << GetLastError();
    HWINSTA own = GetProcessWindowStation();
    ASSERT_TRUE(SetProcessWindowStation(station));
    HDESK desktop = CreateDesktopA("tv-e2e-desktop", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    ASSERT_NE(nullptr, desktop) << GetLastError();
    char name[256] = {};
    GetUserObjectInformationA(station, UOI_NAME, name, sizeof name, nullptr);
    std::wstring where = Wide(std::string(name) + "\\tv-e2e-desktop");

    std::string damaged = DamagedLauncher(FreshFolder("unseen-damaged"));
    ASSERT_FALSE(damaged.empty());
    struct Case {
        const char* name;
        std::string launcher;
        bool lock;
        DWORD exitCode;
    };
    const Case cases[] = {
        {"a damaged download", damaged, false, 2},
        {"another launcher's lock", Settings().launcher, true, kAnotherInstallation},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string suffix = std::to_string(++index);
        std::string temp = FreshFolder("unseen" + suffix) + "\\";
        std::string record = FreshFolder("record-unseen" + suffix);
        std::string log = record + "\\unseen.log";
        HANDLE lock = c.lock ? CreateMutexA(nullptr, FALSE, kInstallMutexName) : nullptr;
        EnvironmentBlock environment = EnvironmentBlock::Current();
        environment.Set("TEMP", temp);
        environment.Set("TMP", temp);
        environment.Set("TV_DEMO_RECORD_DIR", record);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.lpDesktop = &where[0];
        PROCESS_INFORMATION info;
        std::string failure;
        std::wstring commandLine = L"\"" + Wide(c.launcher) + L"\" /log=" + Wide(log);
        ASSERT_TRUE(CreateProcessWith(Elevation::Unelevated, Wide(c.launcher), commandLine, environment, 0, &startup,
                                      &info, &failure))
            << failure;
        CloseHandle(info.hThread);
        bool ended = WaitForSingleObject(info.hProcess, kLauncherMs) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(info.hProcess, 99);
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hProcess);
        if (lock != nullptr) CloseHandle(lock);
        ASSERT_TRUE(ended) << "the launcher waits for an answer nobody can give";
        EXPECT_EQ(c.exitCode, code);
        std::vector<std::string> lines = LogLines(log);
        EXPECT_NE(std::string::npos, LogLineStartingWith(lines, "options:").find("(quiet: no visible window station)"))
            << Joined(lines);
        EXPECT_EQ(std::vector<std::string>(), ListTree(WithoutTrailingBackslash(temp)));
    }
    CloseDesktop(desktop);
    CloseWindowStation(station);
}
