// What went wrong when a run could not prepare its files, and the report
// the user reads about it. Portable, so that it is tested natively too.
#ifndef TESSAROVEN_RUN_FAILURE_H
#define TESSAROVEN_RUN_FAILURE_H

#include "qv_string.h"

// The Windows error code a run reports when memory ran out
// (ERROR_NOT_ENOUGH_MEMORY).
const int kOutOfMemoryCode = 8;

// One failure of a run, in its own fields.
struct RunFailure {
    int code = 0;     // a QvStreamException code, kOutOfMemoryCode, or the Windows
                      // error code of a system call that failed before any file was made
    QvString path;    // the file the failure concerns
    QvString reason;  // what the code alone does not say; empty when nothing
};

// Turns the exception being handled into one record: a QvStreamException
// thrown as a pointer (deleted here) or by value, or std::bad_alloc. Its text
// is the path for the codes that carry one (OpenFailed, StreamIncomplete,
// PathTooLong); CorruptArchive concerns launcherFile, which carries the
// archives, with its text as the reason; any other text is the reason, and
// without a path of its own a failure concerns fileInHand, the file the run
// was writing. Call it only inside a catch handler; any other exception is
// thrown on, untouched.
RunFailure CurrentFailure(const char* fileInHand, const char* launcherFile);

// The report in the user's language: the failure report's text with the
// path under "File" and the code, then the reason, if any, on a line of its own.
QvString FailureReportText(const RunFailure& failure);

#endif
