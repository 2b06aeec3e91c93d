// A run's failure as one record, and the report the user reads about it.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>

#include "failure_text.h"
#include "qv_stream_exception.h"
#include "run_failure.h"

namespace {

const char kFileInHand[] = "C:\\T\\TVQSetup0\\sub\\a.dll";
const char kLauncher[] = "D:\\Downloads\\setup.exe";
const char kCorrupt[] = "SETUPBASE: the directory lies outside the archive (record 0)";

RunFailure Failed(const std::function<void()>& throwIt) {
    try {
        throwIt();
    } catch (...) {
        return CurrentFailure(kFileInHand, kLauncher);
    }
    ADD_FAILURE() << "nothing was thrown";
    return RunFailure();
}

std::string S(const QvString& s) { return static_cast<const char*>(s); }

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
        {"write cut short", [] { throw new E(E::ShortWrite); }, 3, kFileInHand, ""},
        {"inflation, by value", [] { throw E(E::InflateInitFailed, "Zlib-Fehler"); }, -5, kFileInHand, "Zlib-Fehler"},
        {"corrupt archive", [] { throw new E(E::CorruptArchive, kCorrupt); }, 21, kLauncher, kCorrupt},
        {"no memory", [] { throw std::bad_alloc(); }, kOutOfMemoryCode, kFileInHand, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunFailure failure = Failed(c.throwIt);
        EXPECT_EQ(c.code, failure.code);
        EXPECT_EQ(c.path, S(failure.path));
        EXPECT_EQ(c.reason, S(failure.reason));
    }
    // Anything else is not a failure to report: it goes on, untouched.
    EXPECT_THROW(
        try { throw 42; } catch (...) { CurrentFailure(kFileInHand, kLauncher); }, int);
}

TEST(RunFailure, ReportShowsThePathUnderFileAndTheReasonOnALineOfItsOwn) {
    char head[1024];
    snprintf(head, sizeof head, GetFailureReportText(), kLauncher, 21);
    RunFailure corrupt;
    corrupt.code = 21;
    corrupt.path = kLauncher;
    corrupt.reason = kCorrupt;
    EXPECT_EQ(std::string(head) + "\n" + kCorrupt, S(FailureReportText(corrupt)));

    // Without a reason the report is the text alone, as it always was.
    RunFailure open;
    open.code = 7;
    open.path = "C:\\T\\100%.bat";
    snprintf(head, sizeof head, GetFailureReportText(), "C:\\T\\100%.bat", 7);
    EXPECT_EQ(std::string(head), S(FailureReportText(open)));
}
