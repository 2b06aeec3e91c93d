// The failure report: what went wrong when a run could not prepare its
// files or start the next stage, in one record, and the report the user
// reads about it. The record and the text are portable, so that they are
// tested natively too; the box needs Windows (failure_report_win32.cpp).
// Nothing here allocates: the failure may be that memory ran out, and its
// report must still reach the user.
#ifndef TESSAROVEN_FAILURE_REPORT_H
#define TESSAROVEN_FAILURE_REPORT_H

#include <stddef.h>

// The Windows error code a run reports when memory ran out
// (ERROR_NOT_ENOUGH_MEMORY).
const int kOutOfMemoryCode = 8;

// Room in the fields of a failure record, terminator included; longer
// texts are cut to fit.
const size_t kFailurePathChars = 1024;
const size_t kFailureReasonChars = 512;
const size_t kFailureLeftoverChars = 4096;
// Room for the whole report.
const size_t kFailureReportChars = 8192;

// One failure of a run, in its own fields, each held in place.
struct RunFailure {
    int code;                          // a QvStreamException code, kOutOfMemoryCode, or the Windows error
                                       // code of a system call that failed
    char path[kFailurePathChars];      // the file the failure concerns
    char reason[kFailureReasonChars];  // what the code alone does not say; empty when nothing
    // What the run could not remove and handed to the system to remove when
    // it next starts, one path a line; empty when nothing.
    char handedOver[kFailureLeftoverChars];
    // What the run could not remove and the system would not take either
    // (the hand-over needs an elevated run): left for the user to remove,
    // one path a line; empty when nothing.
    char leftBehind[kFailureLeftoverChars];

    // Empty; a static one needs no code to start out so.
    constexpr RunFailure() : code(0), path(), reason(), handedOver(), leftBehind() {}
};

// Sets the code, the path and the reason (null: empty), each cut to fit.
void SetFailure(RunFailure* failure, int code, const char* path, const char* reason);

// Adds path as one more line to what the failure left: to the paths handed
// to the system when handedToSystem, else to those left behind (cut when
// they are full).
void AddLeftover(RunFailure* failure, const char* path, bool handedToSystem);

// True when a path left behind in failure lies below folder (a full path
// without trailing backslash), case ignored.
bool LeftBehindBelow(const RunFailure& failure, const char* folder);

// Fills failure from the exception being handled: a QvStreamException
// thrown as a pointer (deleted here) or by value, or std::bad_alloc. Its
// text is the path for the codes that carry one (OpenFailed,
// StreamIncomplete, PathTooLong); CorruptArchive concerns launcherFile,
// which carries the archives, with its text as the reason; any other text
// is the reason, and without a path of its own a failure concerns
// currentPath, the file the run was working on. Call it only inside a catch
// handler; any other exception is thrown on, untouched.
void RecordCurrentFailure(RunFailure* failure, const char* currentPath, const char* launcherFile);

// Writes the report in the user's language into text (size bytes, cut to
// fit): the failure report's text with the path under "File" and the code,
// then the reason, if any, on a line of its own, then, if anything was
// handed to the system, its heading and the paths, then, if anything was
// left behind, its own heading and the paths.
void FormatFailureReport(const RunFailure& failure, char* text, size_t size);

// The same report in a static buffer of kFailureReportChars, valid until
// the next call.
const char* FailureReportText(const RunFailure& failure);

// Windows (failure_report_win32.cpp):

// Shows text in the box every failure of a run is reported in: no owner
// window, an error icon, on top, the setup's caption; returns once it is
// answered.
void ShowErrorBox(const char* text);

// Shows FailureReportText(failure) in the error box.
void ShowFailureReport(const RunFailure& failure);

#endif
