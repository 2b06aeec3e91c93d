// The launcher with large payloads: copies of it whose BASE is generated
// (large_payload.h) run from start to the end of the clean-up, and, while
// they unpack, how long the splash takes to answer a message. Windows calls
// a window that takes no message for 5 s "not responding"; the splash must
// answer within kLongestAnswerMs from the moment it exists until the next
// stage has started.
//
// LargePayloadCopy checks the copies themselves and WhileWorking closes the
// splash (Yes, No) and ends the session in the middle of the unpacking;
// both run with the suite. SplashAnswers measures with the full-size
// payloads and has ctest entries of its own (tests/e2e/CMakeLists.txt).
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive_format.h"
#include "e2e_support.h"
#include "expected_run.h"
#include "expected_texts.h"
#include "image_checksum.h"
#include "large_payload.h"
#include "launcher_run.h"
#include "log_lines.h"
#include "payload_archives.h"
#include "pe_file.h"

namespace {

const double kLongestAnswerMs = 250;
const DWORD kProbeIntervalMs = 50;
// Long enough for any stall to be measured rather than cut short.
const DWORD kProbeTimeoutMs = 600000;
const DWORD kSplashMs = 60000;
// Generous: the i686 build runs under emulation, about ten times slower.
const DWORD kNextStageMs = 600000;
const DWORD kLauncherEndMs = 60000;
const DWORD kCleanupMs = 600000;

class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Ms() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return (now.QuadPart - start_.QuadPart) * 1000.0 / frequency_.QuadPart;
    }

private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER start_;
};

// How the splash answered the messages sent to it; times from the launcher's start.
struct SplashAnswerTimes {
    double splashFoundMs = -1;  // when its splash window was first found; -1: never
    int probes = 0;
    int slow = 0;        // answered after more than kLongestAnswerMs
    int unanswered = 0;  // never answered: the window went, or the wait ran out
    double worstMs = 0;  // the longest wait for an answer (or for the window to go)
    double worstSentMs = 0;
};

// Sends the launcher's splash WM_NULL every kProbeIntervalMs, from the
// moment it exists until the next stage is ready or the launcher has ended,
// and times each answer. A message the launcher does not take waits in its
// queue, so the time is how long its window would look hung to Windows.
SplashAnswerTimes ProbeSplash(LauncherRun& run, const Stopwatch& sinceStart) {
    SplashAnswerTimes answers;
    HANDLE launcher = run.Launcher().Handle();
    HWND splash = nullptr;
    while ((splash = FindSplashWindow(run.Launcher().Id())) == nullptr) {
        if (WaitForSingleObject(launcher, 1) != WAIT_TIMEOUT || sinceStart.Ms() > kSplashMs) return answers;
    }
    answers.splashFoundMs = sinceStart.Ms();
    HANDLE ends[] = {run.ReadyEvent(), launcher};
    while (WaitForMultipleObjects(2, ends, FALSE, 0) == WAIT_TIMEOUT) {
        double sent = sinceStart.Ms();
        DWORD_PTR result = 0;
        bool answered = SendMessageTimeoutA(splash, WM_NULL, 0, 0, SMTO_NORMAL, kProbeTimeoutMs, &result) != 0;
        double took = sinceStart.Ms() - sent;
        ++answers.probes;
        if (!answered) ++answers.unanswered;
        if (took > kLongestAnswerMs) ++answers.slow;
        if (took > answers.worstMs) {
            answers.worstMs = took;
            answers.worstSentMs = sent;
        }
        if (!answered && !IsWindow(splash)) break;
        double next = sent + kProbeIntervalMs - sinceStart.Ms();
        if (next > 0) WaitForMultipleObjects(2, ends, FALSE, static_cast<DWORD>(next));
    }
    return answers;
}

struct MeasuredRun {
    SplashAnswerTimes answers;
    double runMs = 0;        // the launcher's start to its end
    double unpackingMs = 0;  // the launcher's start to the next stage's first instruction
    double cleanupMs = 0;    // the clean-up's release to the script's end
};

// 100 ns units to milliseconds.
double Ms(ULONGLONG ticks) { return ticks / 10000.0; }

// What the run must have unpacked: the demo payload with the generated files for BASE's.
std::vector<PayloadFile> ExpectedFiles(const std::vector<GeneratedFile>& generated, std::vector<PayloadFile>* others) {
    std::vector<PayloadFile> files;
    for (const PayloadFile& file : ExpectedPayload(ArchiveNames(kExtractedArchives)))
        if (file.archive != "BASE") others->push_back(file);
    for (const GeneratedFile& file : generated) files.push_back({"BASE", file.name, std::string()});
    files.insert(files.end(), others->begin(), others->end());
    return files;
}

// Runs the launcher copy with the next stage's clean-up held, probing its
// splash meanwhile; checks what it unpacked, lets the clean-up run and
// checks that the temporary folder is empty again.
void RunProbed(const std::string& launcher, const std::vector<GeneratedFile>& generated, const std::string& tag,
               MeasuredRun* measured) {
    std::string temp = FreshFolder(tag);
    std::string record = FreshFolder(tag + "-record");
    LauncherRun run(temp + "\\", record, true);
    ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
    Stopwatch sinceStart;
    ASSERT_TRUE(run.Start("", launcher)) << "cannot start " << launcher;
    measured->answers = ProbeSplash(run, sinceStart);
    EXPECT_LE(0, measured->answers.splashFoundMs) << "the launcher showed no splash";
    ASSERT_TRUE(run.WaitForNextStage(kNextStageMs)) << "the next stage did not start";
    ASSERT_TRUE(run.Launcher().Wait(kLauncherEndMs)) << "the launcher did not end";
    measured->runMs = sinceStart.Ms();
    FILETIME created, ended, kernel, user;
    if (GetProcessTimes(run.Launcher().Handle(), &created, &ended, &kernel, &user)) {
        ULONGLONG end = (static_cast<ULONGLONG>(ended.dwHighDateTime) << 32) | ended.dwLowDateTime;
        if (end > run.Launcher().StartTime()) measured->runMs = Ms(end - run.Launcher().StartTime());
    }
    EXPECT_EQ(0u, run.Launcher().ExitCode());
    // The next stage notes the system time as its first step, the clock of the launcher's start.
    ULONGLONG nextStageStart = _strtoui64(run.Recorded("start-time.txt").c_str(), nullptr, 10);
    EXPECT_GT(nextStageStart, run.Launcher().StartTime());
    if (nextStageStart > run.Launcher().StartTime()) measured->unpackingMs = Ms(nextStageStart - run.Launcher().StartTime());

    std::string work = run.Recorded("current-directory.txt") + "\\";
    std::vector<PayloadFile> others;
    std::vector<PayloadFile> expected = ExpectedFiles(generated, &others);
    EXPECT_EQ(ExpectedTree(expected), ListTree(WithoutTrailingBackslash(work)));
    EXPECT_EQ("", GeneratedDifference(work, generated));
    for (const PayloadFile& file : others)
        EXPECT_EQ(ScratchFolder::ReadAll(file.source), ScratchFolder::ReadAll(work + file.name)) << file.name;

    std::string script = QuotedValue(run.Recorded("command-line.txt"), "CleanUp");
    Stopwatch cleanup;
    run.ReleaseCleanup();
    EXPECT_TRUE(run.WaitForCleanup(script, kCleanupMs)) << "the clean-up script did not finish";
    // The script deletes itself last; give the folder lines before it a moment to be visible.
    WaitUntil([&] { return ListTree(temp).empty(); }, 5000);
    measured->cleanupMs = cleanup.Ms();
    EXPECT_EQ(std::vector<std::string>(), ListTree(temp));
}

std::string LargePayloadFolder() {
    return Settings().largePayloads.empty() ? FreshFolder("large-payloads") : Settings().largePayloads;
}

// Runs the full-size payload once, prints what was measured and holds the
// splash to kLongestAnswerMs.
void MeasureSplashAnswers(const LargePayload& payload, const std::string& tag) {
    std::vector<GeneratedFile> files = GeneratedFiles(payload);
    std::string what = Describe(payload, files);
    Stopwatch making;
    bool made = false;
    std::string error;
    std::string launcher = LauncherWithLargePayload(Settings().launcher, payload, LargePayloadFolder(), &made, &error);
    ASSERT_FALSE(launcher.empty()) << error;
    printf("launcher with %s: %s (%s in %.1f s)\n", what.c_str(), launcher.c_str(), made ? "made" : "kept",
           making.Ms() / 1000);

    MeasuredRun measured;
    ASSERT_NO_FATAL_FAILURE(RunProbed(launcher, files, tag, &measured));
    const SplashAnswerTimes& a = measured.answers;
    printf("splash answers, %s: worst %.0f ms (sent %.0f ms after the start), %d probes, %d over %.0f ms, "
           "%d unanswered; splash found after %.0f ms, unpacking %.0f ms, run %.0f ms; clean-up %.0f ms\n",
           what.c_str(), a.worstMs, a.worstSentMs, a.probes, a.slow, kLongestAnswerMs, a.unanswered,
           a.splashFoundMs, measured.unpackingMs, measured.runMs, measured.cleanupMs);
    fflush(stdout);
    testing::Test::RecordProperty("worst_answer_ms", static_cast<int>(a.worstMs));
    testing::Test::RecordProperty("probes", a.probes);
    testing::Test::RecordProperty("unpacking_ms", static_cast<int>(measured.unpackingMs));
    testing::Test::RecordProperty("run_ms", static_cast<int>(measured.runMs));

    ASSERT_GT(a.probes, 0) << "the splash was never probed";
    EXPECT_LE(a.worstMs, kLongestAnswerMs) << "the splash took " << a.worstMs << " ms to answer, "
                                           << a.slow << " of " << a.probes << " probes over " << kLongestAnswerMs
                                           << " ms";
}

TEST(SplashAnswers, WhileUnpackingManySmallFiles) {
    LargePayload payload;
    payload.shape = LargePayload::ManySmallFiles;
    payload.count = Settings().manyFiles;
    MeasureSplashAnswers(payload, "answers-small-files");
}

TEST(SplashAnswers, WhileUnpackingFewLargeFiles) {
    LargePayload payload;
    payload.shape = LargePayload::FewLargeFiles;
    payload.count = Settings().largeMegabytes;
    MeasureSplashAnswers(payload, "answers-large-files");
}

// What the user or the session does while the launcher unpacks a payload
// of many small files: closing the splash (Yes, No) or ending the session.
// The run must undo itself, or go on, as a user expects.
class WhileWorking : public testing::Test {
protected:
    void SetUp() override {
        texts_ = ExpectedTexts();
        ASSERT_NE(nullptr, texts_) << "unknown language " << Settings().language;
        // Enough files to catch the run in the middle; fewer under emulation.
        payload_.shape = LargePayload::ManySmallFiles;
        payload_.count = sizeof(void*) == 4 ? 600 : 3000;
        files_ = GeneratedFiles(payload_);
        std::string error;
        bool made = false;
        launcher_ = LauncherWithLargePayload(Settings().launcher, payload_, LargePayloadFolder(), &made, &error);
        ASSERT_FALSE(launcher_.empty()) << error;
    }

    // Starts the launcher copy with tail in a fresh temporary folder and
    // waits until a third of the generated files are unpacked; the working
    // folder in *work.
    void StartAndWaitForAThird(const std::string& tag, const std::string& tail, std::string* work) {
        temp_ = FreshFolder(tag);
        record_ = FreshFolder(tag + "-record");
        log_ = record_ + "\\setup.log";
        run_.reset(new LauncherRun(temp_ + "\\", record_, true));
        ASSERT_EQ(nullptr, FindSetupWindow()) << "a setup window is still open from an earlier run";
        ASSERT_TRUE(run_->Start(tail + " /log=" + log_, launcher_)) << run_->Launcher().Failure();
        *work = temp_ + "\\TVQSetup0\\";
        // The generated files come first: BASE is the first archive.
        const std::string third = *work + files_[files_.size() / 3].name;
        ASSERT_TRUE(WaitUntil([&] { return ScratchFolder::Exists(third) || run_->Launcher().Wait(0); }, kNextStageMs))
            << "a third of the files never came";
        ASSERT_FALSE(run_->Launcher().Wait(0)) << "the launcher ended with " << run_->Launcher().ExitCode();
    }

    // The files unpacked so far: the generated ones that exist.
    size_t Unpacked(const std::string& work) const {
        size_t n = 0;
        for (const GeneratedFile& file : files_) n += ScratchFolder::Exists(work + file.name) ? 1 : 0;
        return n;
    }

    // Closes the splash as its border's menu would; the question, or null.
    HWND AskToClose() {
        HWND splash = FindSplashWindow(run_->Launcher().Id());
        if (splash == nullptr) return nullptr;
        PostMessageA(splash, WM_CLOSE, 0, 0);
        return FindDialogWithButton(run_->Launcher().Id(), texts_->caption, IDYES, kSplashMs);
    }

    // Checks that the run ended with code, started nothing and left nothing.
    void ExpectUndone(DWORD code) {
        ASSERT_TRUE(run_->Launcher().Wait(kLauncherEndMs)) << "the launcher did not end";
        EXPECT_EQ(code, run_->Launcher().ExitCode());
        EXPECT_FALSE(ScratchFolder::Exists(record_ + "\\command-line.txt")) << "the next stage was started";
        EXPECT_EQ(std::vector<std::string>(), ListTree(temp_));
    }

    // Whether the log has a line that, after its time, begins with start.
    bool Logged(const std::string& start) const {
        return !LogLineStartingWith(LogTexts(ScratchFolder::ReadAll(log_)), start).empty();
    }

    const LanguageTexts* texts_ = nullptr;
    LargePayload payload_;
    std::vector<GeneratedFile> files_;
    std::string launcher_, temp_, record_, log_;
    std::unique_ptr<LauncherRun> run_;
};

// Yes after a third of the files: the run stops, removes everything it
// made, and ends as an abandoned one (1602 with /wait); nothing is started.
// While the question is open the work waits.
TEST_F(WhileWorking, ClosingWithYesUndoesTheRun) {
    struct Case {
        const char* tail;
        DWORD code;
    };
    const Case cases[] = {{"", 0}, {"/wait", 1602}};
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        std::string work;
        ASSERT_NO_FATAL_FAILURE(StartAndWaitForAThird("yes-" + std::to_string(++index), c.tail, &work));
        HWND question = AskToClose();
        ASSERT_NE(nullptr, question) << "closing the splash asks nothing";
        // The work waits at its next piece while the question is open.
        PumpFor(200);
        size_t asked = Unpacked(work);
        PumpFor(500);
        EXPECT_EQ(asked, Unpacked(work)) << "the unpacking went on while the question was open";
        EXPECT_LT(asked, files_.size());
        PressButton(question, IDYES);
        ASSERT_NO_FATAL_FAILURE(ExpectUndone(c.code));
        EXPECT_TRUE(Logged("The user closed the splash window and abandoned the setup."));
        EXPECT_TRUE(Logged("exit code " + std::to_string(c.code)));
    }
}

// No lets the run go on where it stopped and complete.
TEST_F(WhileWorking, ClosingWithNoLetsTheRunComplete) {
    std::string work;
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForAThird("no", "", &work));
    HWND question = AskToClose();
    ASSERT_NE(nullptr, question) << "closing the splash asks nothing";
    PressButton(question, IDNO);
    ASSERT_TRUE(run_->WaitForNextStage(kNextStageMs)) << "the run did not go on";
    ASSERT_TRUE(run_->Launcher().Wait(kLauncherEndMs));
    EXPECT_EQ(0u, run_->Launcher().ExitCode());
    EXPECT_EQ("", GeneratedDifference(work, files_));
    std::string script = QuotedValue(run_->Recorded("command-line.txt"), "CleanUp");
    run_->ReleaseCleanup();
    EXPECT_TRUE(run_->WaitForCleanup(script, kCleanupMs)) << "the clean-up script did not finish";
    WaitUntil([&] { return ListTree(temp_).empty(); }, 5000);
    EXPECT_EQ(std::vector<std::string>(), ListTree(temp_));
}

// The user logs off (or the machine shuts down) in the middle: the launcher
// does not stand in the way, removes what it made before it ends, and ends
// with 2. With /quiet a hidden window hears it.
TEST_F(WhileWorking, TheSessionsEndUndoesTheRun) {
    for (bool quiet : {false, true}) {
        SCOPED_TRACE(quiet ? "quiet" : "with the splash");
        std::string work;
        ASSERT_NO_FATAL_FAILURE(StartAndWaitForAThird(quiet ? "end-quiet" : "end", quiet ? "/quiet" : "", &work));
        DWORD id = run_->Launcher().Id();
        HWND window = quiet ? nullptr : FindSplashWindow(id);
        for (HWND w = FindWindowExA(nullptr, nullptr, "TessarovenSetupSession", nullptr); quiet && w != nullptr;
             w = FindWindowExA(nullptr, w, "TessarovenSetupSession", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == id) window = w;
        }
        ASSERT_NE(nullptr, window) << "no window of the launcher hears the session's end";
        DWORD_PTR mayEnd = 0;
        ASSERT_TRUE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &mayEnd));
        EXPECT_EQ(TRUE, static_cast<BOOL>(mayEnd)) << "the launcher stands in the way of the session's end";
        DWORD_PTR ignored = 0;
        // The launcher ends while it handles the message: no answer comes.
        SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &ignored);
        ASSERT_NO_FATAL_FAILURE(ExpectUndone(2));
        EXPECT_TRUE(Logged("The session is ending: the setup stops and removes what it has made."));
        EXPECT_TRUE(Logged("exit code 2"));
    }
}

// The copies themselves, small enough to make in every run of the suite.
struct CopyCase {
    const char* name;
    LargePayload payload;
    size_t files;
    size_t folders;  // distinct folders of the generated names
    uint64_t bytes;  // total; 0: only within the small files' bounds
    bool run;        // also run the copy from start to the end of the clean-up
};

const CopyCase kCopies[] = {
    // More files than folders, and more folders than the payload has anywhere else.
    {"many small files", {LargePayload::ManySmallFiles, 250}, 250, 101, 0, true},
    // Fewer files than the most folders: one folder each.
    {"a few small files", {LargePayload::ManySmallFiles, 7}, 7, 8, 0, false},
    // Large entries run already with the demo payload's tiles.
    {"few large files", {LargePayload::FewLargeFiles, 3}, kLargeFileCount, 1, 3u << 20, false},
};

std::set<std::string> FoldersOf(const std::vector<GeneratedFile>& files) {
    std::set<std::string> folders;
    for (const GeneratedFile& file : files)
        for (size_t at = file.name.find('\\'); at != std::string::npos; at = file.name.find('\\', at + 1))
            folders.insert(file.name.substr(0, at));
    return folders;
}

std::string ResourceBytes(const std::string& image, const PeResource& resource) {
    return image.substr(resource.fileOffset, resource.size);
}

TEST(LargePayloadCopy, CarriesTheGeneratedBaseKeepsEverythingElseAndRuns) {
    bool found = false;
    const std::string original = ScratchFolder::ReadAll(Settings().launcher, &found);
    ASSERT_TRUE(found) << Settings().launcher;
    const std::vector<PeResource> originalResources =
        ListPeResources(reinterpret_cast<const unsigned char*>(original.data()), original.size());
    int index = 0;
    for (const CopyCase& c : kCopies) {
        SCOPED_TRACE(c.name);
        std::vector<GeneratedFile> files = GeneratedFiles(c.payload);
        ASSERT_EQ(c.files, files.size());
        EXPECT_EQ(c.folders, FoldersOf(files).size());
        uint64_t bytes = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            bytes += files[i].size;
            if (i > 0) {
                EXPECT_LT(files[i - 1].name, files[i].name) << "not in the archive tool's order";
            }
            if (c.bytes == 0) {
                EXPECT_LE(200u, files[i].size) << files[i].name;
                EXPECT_GE(4096u, files[i].size) << files[i].name;
            }
        }
        if (c.bytes != 0) {
            EXPECT_EQ(c.bytes, bytes);
        }

        Bytes archive = BuildGeneratedArchive(files);
        ArchiveCheck check = CheckArchive(archive.data(), static_cast<uint32_t>(archive.size()));
        ASSERT_EQ(ArchiveFault::None, check.fault) << ArchiveFaultText(check.fault) << ", entry " << check.entryIndex;
        ArchiveWalker walker(archive.data(), static_cast<uint32_t>(archive.size()));
        ArchiveEntry entry;
        for (const GeneratedFile& file : files) {
            ASSERT_TRUE(walker.Next(entry));
            EXPECT_EQ(file.name, entry.name);
            EXPECT_EQ(file.size, entry.unpackedSize);
            // Text that deflates, but not to nothing.
            EXPECT_LT(entry.packedSize, file.size * 7 / 10) << file.name;
            EXPECT_GT(entry.packedSize, file.size / 4) << file.name;
        }
        EXPECT_FALSE(walker.Next(entry));

        std::string path = FreshFolder("copy-" + std::to_string(++index)) + "\\setup.exe";
        ASSERT_EQ("", WriteLauncherWithBase(Settings().launcher, archive, path));
        std::string copy = ScratchFolder::ReadAll(path);
        const unsigned char* image = reinterpret_cast<const unsigned char*>(copy.data());
        std::vector<PeResource> resources = ListPeResources(image, copy.size());
        ASSERT_EQ(originalResources.size(), resources.size());
        for (size_t i = 0; i < resources.size(); ++i) {
            const PeResource& was = originalResources[i];
            const PeResource& is = resources[i];
            SCOPED_TRACE(was.type + " " + was.name);
            EXPECT_EQ(was.type + " " + was.name + " " + std::to_string(was.language),
                      is.type + " " + is.name + " " + std::to_string(is.language));
            if (was.type == "TVARC" && was.name == "BASE") {
                EXPECT_EQ(std::string(archive.begin(), archive.end()), ResourceBytes(copy, is));
            } else {
                EXPECT_EQ(ResourceBytes(original, was), ResourceBytes(copy, is));
            }
        }
        // The launcher refuses a copy whose bytes do not give its header checksum.
        ImageChecksumField field;
        ASSERT_TRUE(FindImageChecksumField(image, copy.size(), &field));
        ImageChecksum checksum(field.offset);
        checksum.Add(image, copy.size());
        EXPECT_NE(0u, field.stored);
        EXPECT_EQ(checksum.Value(), field.stored);

        if (!c.run) continue;
        MeasuredRun measured;
        ASSERT_NO_FATAL_FAILURE(RunProbed(path, files, "copy-run-" + std::to_string(index), &measured));
    }
}

// A copy kept in the folder is taken again while the launcher and the
// payload are the same, and made again when either changes.
TEST(LargePayloadCopy, KeptCopyIsTakenUntilTheLauncherOrThePayloadChanges) {
    std::string folder = FreshFolder("kept");
    std::string launcher = FreshFolder("kept-launcher") + "\\setup.exe";
    bool found = false;
    std::string bytes = ScratchFolder::ReadAll(Settings().launcher, &found);
    ASSERT_TRUE(found);
    ASSERT_TRUE(ScratchFolder::WriteAll(launcher, bytes));
    LargePayload payload = {LargePayload::ManySmallFiles, 12};

    auto make = [&](const LargePayload& p, bool* made) {
        std::string error;
        std::string copy = LauncherWithLargePayload(launcher, p, folder, made, &error);
        EXPECT_FALSE(copy.empty()) << error;
        return copy;
    };
    auto writeTime = [](const std::string& path) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
        return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    };

    bool made = false;
    std::string first = make(payload, &made);
    EXPECT_TRUE(made);
    ULONGLONG firstWritten = writeTime(first);
    std::string firstBytes = ScratchFolder::ReadAll(first);
    Sleep(20);  // so that a rewrite would show in the write time

    std::string again = make(payload, &made);
    EXPECT_FALSE(made);
    EXPECT_EQ(first, again);
    EXPECT_EQ(firstWritten, writeTime(again));

    // Another payload is another copy, beside the first.
    LargePayload other = {LargePayload::ManySmallFiles, 13};
    std::string second = make(other, &made);
    EXPECT_TRUE(made);
    EXPECT_NE(first, second);
    EXPECT_EQ(firstBytes, ScratchFolder::ReadAll(first));

    // A rebuilt launcher: here one byte of its MS-DOS stub differs.
    bytes[0x50] ^= 0xFF;
    ASSERT_TRUE(ScratchFolder::WriteAll(launcher, bytes));
    std::string rebuilt = make(payload, &made);
    EXPECT_TRUE(made);
    EXPECT_EQ(first, rebuilt);
    std::string rebuiltBytes = ScratchFolder::ReadAll(rebuilt);
    ASSERT_GT(rebuiltBytes.size(), 0x50u);
    EXPECT_EQ(bytes[0x50], rebuiltBytes[0x50]);

    // A copy without its key (a run stopped while making it) is not taken.
    ASSERT_TRUE(DeleteFileA((first + ".key").c_str()));
    make(payload, &made);
    EXPECT_TRUE(made);
}

}  // namespace
