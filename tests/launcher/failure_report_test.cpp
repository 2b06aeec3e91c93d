// A run's failure as one record, and the report the user reads about it.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <new>
#include <string>

#include "alloc_counter.h"
#include "failure_report.h"
#include "failure_text.h"
#include "qv_stream_exception.h"

namespace {

const char kCurrentPath[] = "C:\\T\\TVQSetup0\\sub\\a.dll";
const char kLauncher[] = "D:\\Downloads\\setup.exe";
const char kCorrupt[] = "SETUPBASE: the directory lies outside the archive (record 0)";

void Failed(const std::function<void()>& throwIt, RunFailure* failure) {
    try {
        throwIt();
    } catch (...) {
        RecordCurrentFailure(failure, kCurrentPath, kLauncher);
        return;
    }
    ADD_FAILURE() << "nothing was thrown";
}

std::string Report(const RunFailure& failure) {
    char text[kFailureReportChars];
    FormatFailureReport(failure, text, sizeof text);
    return text;
}

}  // namespace

// Natively the sanitizer also sees that a pointer thrown is deleted.
TEST(RunFailure, EveryKindOfFailureBecomesCodePathAndReason) {
    typedef QvStreamException E;
    struct Case {
        const char* what;
        std::function<void()> throwIt;
        int code;
        const char* path;
        const char* reason;
    } cases[] = {
        {"script cannot be created", [] { throw new E(E::OpenFailed, "C:\\T\\0.bat"); }, 7, "C:\\T\\0.bat", ""},
        {"entry damaged", [] { throw new E(E::StreamIncomplete, "C:\\T\\b.txt"); }, 20, "C:\\T\\b.txt", ""},
        {"path too long", [] { throw new E(E::PathTooLong, "C:\\T\\long"); }, 22, "C:\\T\\long", ""},
        {"write cut short", [] { throw new E(E::ShortWrite); }, 3, kCurrentPath, ""},
        {"inflation, by value", [] { throw E(E::InflateInitFailed, "Zlib-Fehler"); }, -5, kCurrentPath, "Zlib-Fehler"},
        {"corrupt archive", [] { throw new E(E::CorruptArchive, kCorrupt); }, 21, kLauncher, kCorrupt},
        {"no memory", [] { throw std::bad_alloc(); }, kOutOfMemoryCode, kCurrentPath, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunFailure failure;
        Failed(c.throwIt, &failure);
        EXPECT_EQ(c.code, failure.code);
        EXPECT_STREQ(c.path, failure.path);
        EXPECT_STREQ(c.reason, failure.reason);
    }
    // Anything else is not a failure to report: it goes on, untouched.
    RunFailure failure;
    EXPECT_THROW(
        try { throw 42; } catch (...) { RecordCurrentFailure(&failure, kCurrentPath, kLauncher); }, int);
}

TEST(RunFailure, ReportShowsThePathUnderFileTheReasonAndWhatWasLeft) {
    char head[1024];
    snprintf(head, sizeof head, GetFailureReportText(), kLauncher, 21);
    RunFailure corrupt;
    SetFailure(&corrupt, 21, kLauncher, kCorrupt);
    EXPECT_EQ(std::string(head) + "\n" + kCorrupt, Report(corrupt));

    // Without a reason the report is the text alone, as it always was.
    RunFailure open;
    SetFailure(&open, 7, "C:\\T\\100%.bat", nullptr);
    snprintf(head, sizeof head, GetFailureReportText(), "C:\\T\\100%.bat", 7);
    EXPECT_EQ(std::string(head), Report(open));

    // What could not be removed follows under its heading, a path a line:
    // first what the system took to remove at its next start, then, under
    // a heading of its own, what it would not take, whatever the order.
    AddLeftover(&open, "C:\\T\\TVQSetup0\\a.dll", true);
    AddLeftover(&open, "C:\\T\\TVQSetup0", true);
    EXPECT_EQ(std::string(head) + "\n\n" + GetLeftoversHeading() + "\nC:\\T\\TVQSetup0\\a.dll\nC:\\T\\TVQSetup0",
              Report(open));
    RunFailure refused;
    SetFailure(&refused, 7, "C:\\T\\100%.bat", nullptr);
    AddLeftover(&refused, "C:\\T\\TVQSetup0\\b.dll", false);
    EXPECT_EQ(std::string(head) + "\n\n" + GetLeftBehindHeading() + "\nC:\\T\\TVQSetup0\\b.dll", Report(refused));
    AddLeftover(&refused, "C:\\T\\TVQSetup0\\a.dll", true);
    AddLeftover(&refused, "C:\\T\\TVQSetup0", false);
    EXPECT_EQ(std::string(head) + "\n\n" + GetLeftoversHeading() + "\nC:\\T\\TVQSetup0\\a.dll\n\n" +
                  GetLeftBehindHeading() + "\nC:\\T\\TVQSetup0\\b.dll\nC:\\T\\TVQSetup0",
              Report(refused));
}

// A folder that holds something left behind cannot go before it does.
TEST(RunFailure, LeftBehindBelowAFolderOnlyForWhatIsInsideIt) {
    RunFailure failure;
    AddLeftover(&failure, "C:\\T\\TVQSetup0\\sub\\a.dll", false);
    AddLeftover(&failure, "C:\\T\\TVQSetup0\\b.dll", true);  // handed over: the folder empties at the restart
    struct Case {
        const char* folder;
        bool below;
    };
    const Case cases[] = {
        {"C:\\T\\TVQSetup0\\sub", true}, {"C:\\T\\TVQSetup0", true},   {"c:\\t\\tvqsetup0", true},
        {"C:\\T", true},                   {"C:\\T\\TVQSetup0\\su", false}, {"C:\\T\\TVQSetup0\\sub\\a.dll", false},
        {"C:\\T\\TVQSetup1", false},      {"D:\\T", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(c.below, LeftBehindBelow(failure, c.folder));
    }
    EXPECT_FALSE(LeftBehindBelow(RunFailure(), "C:\\T"));
}

// Memory may be what ran out: recording the failure and writing its report
// must not ask for any, and what does not fit is cut, not overrun.
TEST(RunFailure, RecordAndReportNeedNoMemoryAndCutWhatDoesNotFit) {
    std::string longPath(3 * kFailurePathChars, 'p');
    RunFailure failure;
    char text[kFailureReportChars];
    alloc_counter::AllocScope scope;
    try {
        throw std::bad_alloc();
    } catch (...) {
        RecordCurrentFailure(&failure, longPath.c_str(), kLauncher);
    }
    for (int i = 0; i < 20; ++i) AddLeftover(&failure, longPath.c_str(), i % 2 == 0);
    FormatFailureReport(failure, text, sizeof text);
    char small[64];
    FormatFailureReport(failure, small, sizeof small);
    EXPECT_EQ(0, scope.Allocs());
    EXPECT_EQ(kFailurePathChars - 1, strlen(failure.path));
    EXPECT_EQ(kFailureLeftoverChars - 1, strlen(failure.handedOver));
    EXPECT_EQ(kFailureLeftoverChars - 1, strlen(failure.leftBehind));
    EXPECT_NE(nullptr, strstr(text, failure.path));
    EXPECT_EQ(sizeof small - 1, strlen(small));
}
