// The log a deployment tool's administrator reads after an unattended run
// (/log=PATH): plain text in the ANSI code page, appended, one line per
// step with the local time. A log that cannot be opened or written changes
// nothing of the run: it is the only thing a run may create beside its
// working files, and never a reason to fail.
#ifndef TESSAROVEN_RUN_LOG_H
#define TESSAROVEN_RUN_LOG_H

#include <windows.h>

class RunLog {
public:
    RunLog() = default;
    // Closes the log.
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Opens the file at path (null or empty: no log) to append to, creating
    // it if need be, the path made absolute against the current folder now.
    // A log that cannot be opened stays closed, silently. Shared with other
    // writers: each Write appends as a whole.
    void Open(const char* path);
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    // Appends the printf-formatted text, each of its lines after the local
    // time ("2026-12-10 15:14:34.123 "); nothing without a log. Allocates
    // nothing, so that it can report that memory ran out; what does not fit
    // in 8 KB is cut.
    void Write(const char* format, ...);

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

#endif
