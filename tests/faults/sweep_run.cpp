#include "sweep_run.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "e2e_support.h"
#include "expected_run.h"
#include "injected_launch.h"
#include "log_lines.h"
#include "payload_archives.h"
#include "scratch_folder.h"

namespace {

// A run that fails ends in well under a second; a good one in about one.
const DWORD kRunMs = 60000;
const DWORD kPollMs = 10;
const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingDeletes[] = "PendingFileRenameOperations";
// The codes of the stream library and the extraction (qv_stream_exception.h).
const int kStreamCodes[] = {1, 2, 3, 4, 6, 7, 8, 20, 21, 22, -5, -9, -10, -11};
const int kCorruptArchiveCode = 21;

const std::vector<PayloadFile>& UnpackedPayload() {
    static const std::vector<PayloadFile> files = ExpectedPayload(ArchiveNames(kExtractedArchives));
    return files;
}

bool StartsWithNoCase(const std::string& text, const std::string& start) {
    return text.size() >= start.size() && _strnicmp(text.c_str(), start.c_str(), start.size()) == 0;
}

// Whether a and b name one file: a launcher that could not convert its
// path may hand on the short form, which names the same file.
bool SameFile(const std::string& a, const std::string& b) {
    wchar_t longA[MAX_PATH], longB[MAX_PATH];
    DWORD na = GetLongPathNameW(Wide(a).c_str(), longA, MAX_PATH);
    DWORD nb = GetLongPathNameW(Wide(b).c_str(), longB, MAX_PATH);
    return na > 0 && na < MAX_PATH && nb > 0 && nb < MAX_PATH && _wcsicmp(longA, longB) == 0;
}

// What the next stage got and what lies on disk while it holds the
// clean-up back; empty when it is all as a good run leaves it.
std::string HandOverProblem(const std::string& temp, const std::string& record) {
    std::string commandLine = ScratchFolder::ReadAll(record + "\\command-line.txt");
    std::string script = QuotedValue(commandLine, "CleanUp");
    std::string launcher = QuotedValue(commandLine, "ResourceFile");
    std::string work = ScratchFolder::ReadAll(record + "\\current-directory.txt") + "\\";
    if (!SameFile(launcher, Settings().launcher)) return "the next stage got ResourceFile=\"" + launcher + "\"";
    if (!StartsWithNoCase(script, temp) || !StartsWithNoCase(work, temp))
        return "the script " + script + " or the working folder " + work + " is not in the temporary folder";
    // The folder as the platform names it: case aside, as the launcher named it.
    if (_stricmp(ScratchFolder::ReadAll(record + "\\module.txt").c_str(), (work + "Zoratrel.exe").c_str()) != 0)
        return "the next stage is not the working folder's: " + ScratchFolder::ReadAll(record + "\\module.txt");
    std::string files = UnpackedDifference(work, UnpackedPayload());
    if (!files.empty()) return files;
    if (ScratchFolder::ReadAll(script) != ExpectedScript(work, script, UnpackedPayload(), [](const std::string& p) { return p; }))
        return "the clean-up script differs from what the run unpacked";
    return std::string();
}

// The paths below folder that the system was asked to delete at its next
// start, in the order asked. They are taken off that list and deleted, as
// the next start would delete them.
std::vector<std::string> TakeRebootDeletes(const std::string& folder) {
    std::vector<std::string> taken;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return taken;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, kPendingDeletes, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        std::string data(size, '\0');
        RegQueryValueExA(key, kPendingDeletes, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
        data.resize(size);
        std::vector<std::string> strings;
        for (size_t at = 0; at < data.size();) {
            size_t end = data.find('\0', at);
            if (end == std::string::npos) end = data.size();
            strings.push_back(data.substr(at, end - at));
            at = end + 1;
        }
        std::string kept;
        // Pairs of source and target; an empty target means: delete.
        for (size_t i = 0; i + 1 < strings.size(); i += 2) {
            std::string source = strings[i];
            if (source.compare(0, 4, "\\??\\") == 0) source = source.substr(4);
            if (strings[i + 1].empty() && StartsWithNoCase(source, folder)) {
                taken.push_back(source);
            } else if (!strings[i].empty()) {
                kept += strings[i] + '\0' + strings[i + 1] + '\0';
            }
        }
        if (kept.empty()) {
            RegDeleteValueA(key, kPendingDeletes);
        } else {
            kept += '\0';
            RegSetValueExA(key, kPendingDeletes, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                           static_cast<DWORD>(kept.size()));
        }
    }
    RegCloseKey(key);
    for (const std::string& path : taken) {
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            RemoveDirectoryA(path.c_str());
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    return taken;
}

// A failure report taken apart by the language's format.
struct ParsedReport {
    bool matches = false;
    std::string path;
    int code = 0;
    std::string reason;
    std::vector<std::string> handedOver;  // under the heading of what Windows removes at its next start
    std::vector<std::string> leftBehind;  // under the heading of what the user must remove
};

// The lines after "\n\n" heading "\n" in text up to the next blank line;
// found tells whether the heading is there.
std::vector<std::string> LinesUnder(const std::string& text, const char* heading, bool* found) {
    std::vector<std::string> lines;
    std::string head = std::string("\n\n") + heading + "\n";
    size_t at = text.find(head);
    *found = at != std::string::npos;
    if (!*found) return lines;
    at += head.size();
    size_t end = text.find("\n\n", at);
    if (end == std::string::npos) end = text.size();
    while (at < end) {
        size_t line = text.find('\n', at);
        if (line == std::string::npos || line > end) line = end;
        lines.push_back(text.substr(at, line - at));
        at = line + 1;
    }
    return lines;
}

ParsedReport ParseReport(const std::string& text, const LanguageTexts& texts) {
    ParsedReport parsed;
    std::string format = texts.failure;
    size_t pathAt = format.find("%s"), codeAt = format.find("%d");
    std::string head = format.substr(0, pathAt), middle = format.substr(pathAt + 2, codeAt - pathAt - 2);
    if (text.compare(0, head.size(), head) != 0) return parsed;
    size_t middleAt = text.find(middle, head.size());
    if (middleAt == std::string::npos) return parsed;
    parsed.path = text.substr(head.size(), middleAt - head.size());
    const char* number = text.c_str() + middleAt + middle.size();
    char* end = nullptr;
    parsed.code = static_cast<int>(strtol(number, &end, 10));
    if (end == number) return parsed;
    std::string rest = end;
    bool handed = false, left = false;
    parsed.handedOver = LinesUnder(rest, texts.leftovers, &handed);
    parsed.leftBehind = LinesUnder(rest, texts.leftBehind, &left);
    // The reason, if any, stands on the line after the code, before the headings.
    size_t headings = rest.find("\n\n");
    std::string reason = rest.substr(0, headings);
    if (!reason.empty()) {
        if (reason[0] != '\n') return parsed;
        parsed.reason = reason.substr(1);
    }
    // Every blank line opens one of the two headings, each with lines under it.
    size_t blocks = 0;
    for (size_t at = rest.find("\n\n"); at != std::string::npos; at = rest.find("\n\n", at + 2)) ++blocks;
    parsed.matches = blocks == (handed ? 1u : 0u) + (left ? 1u : 0u) && (!handed || !parsed.handedOver.empty()) &&
                     (!left || !parsed.leftBehind.empty());
    return parsed;
}

// What is wrong with a failure report of case c; empty when nothing.
std::string ReportProblem(const ParsedReport& report, const SweepCase& c, const FaultRecord& record) {
    if (!report.matches) return "the report is not the failure report";
    bool streamCode = std::find(std::begin(kStreamCodes), std::end(kStreamCodes), report.code) != std::end(kStreamCodes);
    bool injectedCode = report.code == static_cast<int>(c.plan.error) ||
                        (c.plan.followAt != 0 && report.code == static_cast<int>(c.plan.followError));
    if (!streamCode && !injectedCode) return "the report names code " + std::to_string(report.code);
    if (report.path.empty()) return "the report names no file";
    std::string windowsError = "Windows error " + std::to_string(c.plan.error);
    if (c.hook == kHook_CreateProcessA &&
        (report.code != static_cast<int>(c.plan.error) || report.path.size() < 13 ||
         report.path.compare(report.path.size() - 13, 13, "\\Zoratrel.exe") != 0))
        return "the report of a next stage that did not start names " + report.path + " and code " +
               std::to_string(report.code);
    if ((c.hook == kHook_FindResourceA || c.hook == kHook_LoadResource || c.hook == kHook_LockResource) &&
        record.firstFaultHook == c.hook &&
        (report.code != kCorruptArchiveCode || report.path != Settings().launcher ||
         report.reason.find(windowsError) == std::string::npos))
        return "the report of an unreadable archive does not name the launcher, the archive and " + windowsError;
    if (c.plan.followForGood && record.followPath[0] != '\0') {
        // Handed to the system when it took the path, else left for the user: never both.
        const std::vector<std::string>& named = c.plan.followHandOverFails ? report.leftBehind : report.handedOver;
        const std::vector<std::string>& not_named = c.plan.followHandOverFails ? report.handedOver : report.leftBehind;
        std::string path = record.followPath;
        if (std::find(named.begin(), named.end(), path) == named.end())
            return "the report does not name " + path + (c.plan.followHandOverFails ? " as left" : " as handed over");
        if (std::find(not_named.begin(), not_named.end(), path) != not_named.end())
            return "the report names " + path + " under both headings";
    }
    return std::string();
}

// The failure report or the no-space message as a quiet run's log holds
// it: its lines without their times, from the line that begins with start
// to the line before "exit code"; empty when there is none.
std::string ReportInLog(const std::string& log, const std::string& start) {
    std::string text;
    bool in = false;
    for (const std::string& line : LogTexts(log)) {
        if (!in && line.compare(0, start.size(), start) != 0) continue;
        if (in && line.compare(0, 10, "exit code ") == 0) break;
        text += (in ? "\n" : "") + line;
        in = true;
    }
    return text;
}

// Everything a run left, as full paths without trailing backslash, sorted:
// below its own temporary folder tempFolder (which an elevated run must not
// touch either), and the names in machineTemp that were not there before.
std::vector<std::string> MadeByTheRun(const std::string& tempFolder, const std::string& machineTemp,
                                      const std::vector<std::string>& machineBefore) {
    std::vector<std::string> made;
    for (const std::string& name : ListTree(tempFolder)) made.push_back(tempFolder + "\\" + WithoutTrailingBackslash(name));
    std::vector<std::string> now = ListFolder(WithoutTrailingBackslash(machineTemp));
    for (const std::string& name : now) {
        if (std::find(machineBefore.begin(), machineBefore.end(), name) != machineBefore.end()) continue;
        std::string path = machineTemp + WithoutTrailingBackslash(name);
        made.push_back(path);
        for (const std::string& below : ListTree(path)) made.push_back(path + "\\" + WithoutTrailingBackslash(below));
    }
    std::sort(made.begin(), made.end());
    return made;
}

// The names in folder (with a trailing backslash), its own entries only.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names = ListFolder(WithoutTrailingBackslash(folder));
    std::sort(names.begin(), names.end());
    return names;
}

// The machine's temporary folder, where an elevated run works, with a
// trailing backslash.
std::string MachineTemp() {
    char windows[MAX_PATH] = {};
    UINT n = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(windows) + "\\Temp\\" : std::string("C:\\windows\\Temp\\");
}

// Whether process id shows a message box captioned caption that is not
// among seen. One search by class and caption: polled all through a run,
// it must cost the window server little.
bool NewMessageBox(DWORD processId, const char* caption, const std::vector<HWND>& seen) {
    for (HWND box = FindWindowExA(nullptr, nullptr, "#32770", caption); box != nullptr;
         box = FindWindowExA(nullptr, box, "#32770", caption)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        if (owner == processId && std::find(seen.begin(), seen.end(), box) == seen.end()) return true;
    }
    return false;
}

void Add(std::string* problems, const std::string& problem) {
    if (problem.empty()) return;
    if (!problems->empty()) *problems += "; ";
    *problems += problem;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

CaseOutcome RunCase(const SweepSetup& setup, const SweepCase& c) {
    CaseOutcome outcome;
    std::string name = CaseName(c);
    std::string tempFolder = setup.work + "\\" + name;
    std::string temp = tempFolder + "\\";
    std::string record = setup.work + "\\" + name + "-record";
    ScratchFolder::RemoveTree(tempFolder);
    ScratchFolder::RemoveTree(record);
    CreateDirectoryA(tempFolder.c_str(), nullptr);

    // A temporary folder the launcher cannot ask for gives way to the
    // drive's root, where the run must leave nothing either. An elevated
    // run works in the machine's temporary folder, whatever TEMP says.
    bool fallback = !c.elevatedQuiet && c.plan.followAt == 0 && c.hook == kHook_GetTempPathW;
    std::string machineTemp = MachineTemp();
    std::string expectedTemp = c.elevatedQuiet ? machineTemp : fallback ? std::string("C:\\") : temp;
    std::vector<std::string> machineBefore = Names(machineTemp);
    std::string logPath = record + "\\setup.log";
    if (c.elevatedQuiet) CreateDirectoryA(record.c_str(), nullptr);

    std::string events = "tv-sweep-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (events + "-ready").c_str());
    HANDLE hold = CreateEventA(nullptr, TRUE, FALSE, (events + "-hold").c_str());
    EnvironmentBlock environment = EnvironmentBlock::Current();
    environment.Set("TEMP", temp);
    environment.Set("TMP", temp);
    environment.Set("TV_DEMO_RECORD_DIR", record);
    environment.Set("TV_DEMO_READY_EVENT", events + "-ready");
    environment.Set("TV_DEMO_HOLD_EVENT", events + "-hold");
    environment.Set("TV_DEMO_WINDOW_MS", "1");

    std::string problems;
    std::vector<HWND> boxes;
    std::string handOver = "the next stage never started";
    bool ended = false;
    DWORD processes = 0;
    {
        std::unique_ptr<InjectedLaunch> started;
        std::string error;
        std::string commandLine = "\"" + Settings().launcher + "\"";
        if (c.elevatedQuiet) commandLine += " /quiet /log=\"" + logPath + "\"";
        Elevation elevation = c.elevatedQuiet ? Elevation::AsIs : setup.elevation;
        // Wine now and then refuses a process start under load (internal
        // error): that says nothing about the launcher, so it is tried again.
        for (int attempt = 0; !started && attempt < 3; ++attempt) {
            if (attempt > 0) Sleep(500);
            started.reset(new InjectedLaunch);
            if (!started->Start(Settings().launcher, commandLine, environment, elevation, setup.dll, c.plan,
                                 &error))
                started.reset();
        }
        if (!started) {
            outcome.broken = error;
            CloseHandle(ready);
            CloseHandle(hold);
            return outcome;
        }
        InjectedLaunch& run = *started;
        DWORD start = GetTickCount();
        while (!(ended = run.TreeEnded()) && GetTickCount() - start < kRunMs) {
            MessageBoxWindow box;
            if (NewMessageBox(run.ProcessId(), setup.texts->caption, boxes) &&
                FindMessageBox(run.ProcessId(), setup.texts->caption, 0, &box) &&
                std::find(boxes.begin(), boxes.end(), box.window) == boxes.end()) {
                boxes.push_back(box.window);
                if (outcome.report.empty()) outcome.report = box.text;
                PressButton(box.window, IDOK);
            }
            if (WaitForSingleObject(ready, 0) == WAIT_OBJECT_0 && WaitForSingleObject(hold, 0) != WAIT_OBJECT_0) {
                handOver = HandOverProblem(expectedTemp, record);
                SetEvent(hold);
            }
            Sleep(kPollMs);
        }
        if (!ended) Add(&problems, "the run did not end within " + std::to_string(kRunMs / 1000) + " s");
        outcome.exitCode = run.ExitCode();
        processes = run.ProcessesStarted();
        outcome.record.reset(new FaultRecord(run.Record()));
    }
    CloseHandle(ready);
    CloseHandle(hold);

    std::vector<std::string> left = MadeByTheRun(tempFolder, machineTemp, machineBefore);
    std::vector<std::string> handedOver = TakeRebootDeletes(expectedTemp);
    if (expectedTemp != temp) {
        std::vector<std::string> more = TakeRebootDeletes(temp);
        handedOver.insert(handedOver.end(), more.begin(), more.end());
    }
    std::vector<std::string> leftForGood = MadeByTheRun(tempFolder, machineTemp, machineBefore);
    bool nextStage = ScratchFolder::Exists(record + "\\command-line.txt");
    if (fallback && nextStage) {
        std::string commandLine = ScratchFolder::ReadAll(record + "\\command-line.txt");
        for (const std::string& made : {QuotedValue(commandLine, "CleanUp"), ScratchFolder::ReadAll(record + "\\current-directory.txt")})
            if (!made.empty() && ScratchFolder::Exists(made)) left.push_back(made);
    }
    const FaultRecord& seen = *outcome.record;
    // A quiet run shows no box: its report is in the log.
    std::string log = c.elevatedQuiet ? ScratchFolder::ReadAll(logPath) : std::string();
    size_t expectedBoxes = c.elevatedQuiet ? 0 : 1;

    if (ended && outcome.exitCode == 0) {
        if (!boxes.empty()) Add(&problems, "a message box on a good run: " + outcome.report);
        Add(&problems, handOver);
        if (ScratchFolder::ReadAll(record + "\\cleanup.txt").find("started") == std::string::npos)
            Add(&problems, "the clean-up script was not started");
        if (!left.empty()) Add(&problems, "left after the clean-up: " + Joined(left));
        if (!handedOver.empty()) Add(&problems, "left for the next start: " + Joined(handedOver));
    } else if (ended && (outcome.exitCode == 1 || outcome.exitCode == 2)) {
        if (boxes.size() != expectedBoxes) Add(&problems, std::to_string(boxes.size()) + " message boxes");
        if (nextStage || processes != 1) Add(&problems, "the next stage was started");
        char expected[1024];
        std::string drive = expectedTemp.substr(0, 2);
        snprintf(expected, sizeof expected, setup.texts->noSpace, drive.c_str(), 10.0, 0.0);
        if (c.elevatedQuiet) {
            // The report begins with the first line of the no-space message or of the failure report.
            const char* text = outcome.exitCode == 1 ? expected : setup.texts->failure;
            outcome.report = ReportInLog(log, std::string(text, strcspn(text, "\n")));
            if (outcome.report.empty()) Add(&problems, "the log holds no report: " + log);
        }
        if (outcome.exitCode == 1) {
            if (outcome.report != expected) Add(&problems, "not the no-space message: " + outcome.report);
            if (!left.empty() || !handedOver.empty()) Add(&problems, "created: " + Joined(left));
        } else if (!outcome.report.empty()) {
            ParsedReport report = ParseReport(outcome.report, *setup.texts);
            Add(&problems, ReportProblem(report, c, seen));
            if (report.handedOver != handedOver)
                Add(&problems, "the report names " + Joined(report.handedOver) + " as left for the next start, the system has " +
                                   Joined(handedOver));
            // What the system would not take stays, and only that: the
            // report names every such path, and nothing else stays.
            std::vector<std::string> named = report.leftBehind;
            std::sort(named.begin(), named.end());
            if (leftForGood != named)
                Add(&problems, "left for good: " + Joined(leftForGood) + "; the report names " + Joined(named));
            // Only what cannot go before the process ends may wait for the
            // next start: a path whose removal fails for good, or a file
            // whose handle could not be closed.
            bool mayStay = c.plan.followAt != 0 ? c.plan.followForGood != 0 : c.hook == kHook_CloseHandle;
            if (!mayStay && !handedOver.empty()) Add(&problems, "left for the next start: " + Joined(handedOver));
            if (c.plan.followForGood && !c.plan.followHandOverFails && handedOver.empty())
                Add(&problems, "nothing was handed over for the next start");
            if (c.plan.followHandOverFails && report.leftBehind.empty())
                Add(&problems, "nothing is named as left, though the system took nothing");
        } else if (!leftForGood.empty()) {
            Add(&problems, "left for good: " + Joined(leftForGood));
        }
    } else if (ended) {
        char code[16];
        snprintf(code, sizeof code, "0x%lX", static_cast<unsigned long>(outcome.exitCode));
        Add(&problems, std::string("exit code ") + (outcome.exitCode > 255 ? code : std::to_string(outcome.exitCode)) +
                           (boxes.empty() ? "" : " after " + outcome.report));
        if (!left.empty()) Add(&problems, "left: " + Joined(left));
    }
    // Whatever stays, the next case starts from a clean machine folder.
    for (const std::string& path : leftForGood) ScratchFolder::RemoveTree(path);
    if (c.plan.failAt != 0 && seen.injected == 0) Add(&problems, "the planned call was never made");
    if (c.plan.followAt != 0 && seen.injected < 2)
        Add(&problems, "the planned removal was never made");
    outcome.held = problems.empty();
    outcome.broken = problems;
    ScratchFolder::RemoveTree(tempFolder);
    ScratchFolder::RemoveTree(record);
    return outcome;
}
