// The log an unattended run leaves for its administrator: appended, a time
// on every line, never a reason for the run to fail, and no memory needed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "alloc_counter.h"
#include "log_lines.h"
#include "run_log.h"
#include "scratch_folder.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// "2026-12-10 15:14:34.123 " for today, the date taken from the clock.
bool StampedToday(const std::string& line) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    wsprintfA(date, "%04u-%02u-%02u ", now.wYear, now.wMonth, now.wDay);
    if (line.size() < kLogStampChars || line.compare(0, 11, date) != 0) return false;
    const char shape[] = "dd:dd:dd.ddd ";
    for (size_t i = 0; i < 13; ++i) {
        char c = line[11 + i];
        if (shape[i] == 'd' ? (c < '0' || c > '9') : c != shape[i]) return false;
    }
    return true;
}

}  // namespace

TEST(RunLog, AppendsATimedLineForEveryLineOfText) {
    ScratchFolder scratch("lg");
    std::string path = scratch / "setup.log";
    ASSERT_TRUE(ScratchFolder::WriteAll(path, "an earlier run\r\n"));
    {
        RunLog log;
        log.Open(path.c_str());
        ASSERT_TRUE(log.IsOpen());
        log.Write("exit code %d", 2);
        log.Write("File: %s\nError code: %d", "C:\\T\\a.dll", 112);
        log.Write("%s", "");
    }
    std::vector<std::string> lines = Lines(ScratchFolder::ReadAll(path));
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("an earlier run", lines[0]);
    const char* texts[] = {"exit code 2", "File: C:\\T\\a.dll", "Error code: 112", ""};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(StampedToday(lines[i + 1])) << lines[i + 1];
        EXPECT_EQ(texts[i], lines[i + 1].substr(kLogStampChars));
    }
}

// The path counts from the current folder when the log is opened: the
// launcher changes folders later.
TEST(RunLog, RelativePathIsTakenFromTheCurrentFolderAtTheOpen) {
    ScratchFolder scratch("lr");
    std::string before = ScratchFolder::CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
    RunLog log;
    log.Open("relative.log");
    SetCurrentDirectoryA(before.c_str());
    log.Write("later");
    EXPECT_EQ("later\r\n", ScratchFolder::ReadAll(scratch / "relative.log").substr(kLogStampChars));
}

// A log that cannot be opened writes nothing and creates nothing.
TEST(RunLog, ALogThatCannotBeOpenedIsSilent) {
    ScratchFolder scratch("lx");
    CreateDirectoryA((scratch / "folder.log").c_str(), nullptr);
    const std::string paths[] = {scratch / "missing\\setup.log", scratch / "folder.log", "", "Q:\\setup.log",
                                 std::string(MAX_PATH + 10, 'x')};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        RunLog log;
        log.Open(path.c_str());
        EXPECT_FALSE(log.IsOpen());
        log.Write("nothing %s", "at all");
    }
    RunLog none;
    none.Open(nullptr);
    EXPECT_FALSE(none.IsOpen());
    EXPECT_FALSE(ScratchFolder::Exists(scratch / "missing"));
}

// Memory may be what ran out: writing needs none, and an over-long text is
// cut, not overrun.
TEST(RunLog, WritesWithoutMemoryAndCutsWhatDoesNotFit) {
    ScratchFolder scratch("lm");
    std::string path = scratch / "setup.log";
    std::string huge(20000, 'h');
    RunLog log;
    log.Open(path.c_str());
    {
        alloc_counter::AllocScope scope;
        log.Write("%s", huge.c_str());
        log.Write("%s\n%s", huge.c_str(), "second");
        EXPECT_EQ(0, scope.Allocs());
    }
    std::vector<std::string> lines = Lines(ScratchFolder::ReadAll(path));
    ASSERT_GE(lines.size(), 2u);
    for (const std::string& line : lines) {
        EXPECT_TRUE(StampedToday(line)) << line.substr(0, 40);
        EXPECT_LT(line.size(), 8192u);
        EXPECT_EQ(std::string::npos, line.find_first_not_of('h', kLogStampChars));
    }
}

// Two launchers writing to one log: each line whole, none overwritten.
TEST(RunLog, TwoWritersAppendWithoutOverwriting) {
    ScratchFolder scratch("l2");
    std::string path = scratch / "shared.log";
    RunLog first, second;
    first.Open(path.c_str());
    second.Open(path.c_str());
    ASSERT_TRUE(first.IsOpen() && second.IsOpen());
    for (int i = 0; i < 50; ++i) {
        first.Write("first %d", i);
        second.Write("second %d", i);
    }
    std::vector<std::string> lines = Lines(ScratchFolder::ReadAll(path));
    ASSERT_EQ(100u, lines.size());
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ("first " + std::to_string(i), lines[2 * i].substr(kLogStampChars));
        EXPECT_EQ("second " + std::to_string(i), lines[2 * i + 1].substr(kLogStampChars));
    }
}
