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
    if (ScratchFolder::ReadAll(record + "\\module.txt") != work + "Zoratrel.exe")
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
    std::vector<std::string> handedOver;
};

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
    std::string leftovers = std::string("\n\n") + texts.leftovers + "\n";
    size_t leftoversAt = rest.find(leftovers);
    std::string lines = leftoversAt == std::string::npos ? std::string() : rest.substr(leftoversAt + leftovers.size());
    rest = rest.substr(0, leftoversAt);
    if (!rest.empty()) {
        if (rest[0] != '\n') return parsed;
        parsed.reason = rest.substr(1);
    }
    for (size_t at = 0; at < lines.size();) {
        size_t line = lines.find('\n', at);
        if (line == std::string::npos) line = lines.size();
        parsed.handedOver.push_back(lines.substr(at, line - at));
        at = line + 1;
    }
    parsed.matches = leftoversAt == std::string::npos || !parsed.handedOver.empty();
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
    if (c.plan.followForGood && record.followPath[0] != '\0' &&
        std::find(report.handedOver.begin(), report.handedOver.end(), std::string(record.followPath)) ==
            report.handedOver.end())
        return std::string("the report does not name ") + record.followPath + ", which could not be removed";
    return std::string();
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
    // drive's root, where the run must leave nothing either.
    bool fallback = c.plan.followAt == 0 && c.hook == kHook_GetTempPathW;
    std::string expectedTemp = fallback ? std::string("C:\\") : temp;

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
        // Wine now and then refuses a process start under load (internal
        // error): that says nothing about the launcher, so it is tried again.
        for (int attempt = 0; !started && attempt < 3; ++attempt) {
            if (attempt > 0) Sleep(500);
            started.reset(new InjectedLaunch);
            if (!started->Start(Settings().launcher, commandLine, environment, setup.elevation, setup.dll, c.plan,
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

    std::vector<std::string> left = ListTree(tempFolder);
    std::vector<std::string> handedOver = TakeRebootDeletes(temp);
    std::vector<std::string> leftForGood = ListTree(tempFolder);
    bool nextStage = ScratchFolder::Exists(record + "\\command-line.txt");
    if (fallback && nextStage) {
        std::string commandLine = ScratchFolder::ReadAll(record + "\\command-line.txt");
        for (const std::string& made : {QuotedValue(commandLine, "CleanUp"), ScratchFolder::ReadAll(record + "\\current-directory.txt")})
            if (!made.empty() && ScratchFolder::Exists(made)) left.push_back(made);
    }
    const FaultRecord& seen = *outcome.record;

    if (ended && outcome.exitCode == 0) {
        if (!boxes.empty()) Add(&problems, "a message box on a good run: " + outcome.report);
        Add(&problems, handOver);
        if (ScratchFolder::ReadAll(record + "\\cleanup.txt").find("started") == std::string::npos)
            Add(&problems, "the clean-up script was not started");
        if (!left.empty()) Add(&problems, "left after the clean-up: " + Joined(left));
        if (!handedOver.empty()) Add(&problems, "left for the next start: " + Joined(handedOver));
    } else if (ended && (outcome.exitCode == 1 || outcome.exitCode == 2)) {
        if (boxes.size() != 1) Add(&problems, std::to_string(boxes.size()) + " message boxes");
        if (nextStage || processes != 1) Add(&problems, "the next stage was started");
        if (!leftForGood.empty()) Add(&problems, "left for good: " + Joined(leftForGood));
        if (outcome.exitCode == 1) {
            char expected[1024];
            std::string drive = temp.substr(0, 2);
            snprintf(expected, sizeof expected, setup.texts->noSpace, drive.c_str(), 10.0, 0.0);
            if (outcome.report != expected) Add(&problems, "not the no-space message: " + outcome.report);
            if (!left.empty() || !handedOver.empty()) Add(&problems, "created: " + Joined(left));
        } else if (!boxes.empty()) {
            ParsedReport report = ParseReport(outcome.report, *setup.texts);
            Add(&problems, ReportProblem(report, c, seen));
            if (report.handedOver != handedOver)
                Add(&problems, "the report names " + Joined(report.handedOver) + " as left for the next start, the system has " +
                                   Joined(handedOver));
            // Only what cannot go before the process ends may wait for the
            // next start: a path whose removal fails for good, or a file
            // whose handle could not be closed.
            bool mayStay = c.plan.followAt != 0 ? c.plan.followForGood != 0 : c.hook == kHook_CloseHandle;
            if (!mayStay && !handedOver.empty()) Add(&problems, "left for the next start: " + Joined(handedOver));
            if (c.plan.followForGood && handedOver.empty()) Add(&problems, "nothing was handed over for the next start");
        }
    } else if (ended) {
        char code[16];
        snprintf(code, sizeof code, "0x%lX", static_cast<unsigned long>(outcome.exitCode));
        Add(&problems, std::string("exit code ") + (outcome.exitCode > 255 ? code : std::to_string(outcome.exitCode)) +
                           (boxes.empty() ? "" : " after " + outcome.report));
        if (!left.empty()) Add(&problems, "left: " + Joined(left));
    }
    if (c.plan.failAt != 0 && seen.injected == 0) Add(&problems, "the planned call was never made");
    if (c.plan.followAt != 0 && seen.injected < 2)
        Add(&problems, "the planned removal was never made");
    outcome.held = problems.empty();
    outcome.broken = problems;
    ScratchFolder::RemoveTree(tempFolder);
    ScratchFolder::RemoveTree(record);
    return outcome;
}
