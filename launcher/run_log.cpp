#include "run_log.h"

#include <stdarg.h>
#include <string.h>

#include "qv_platform.h"

namespace {

// Room for one Write, the times of its lines included.
const size_t kLogWriteChars = 8192;
const size_t kStampChars = 25;  // "2026-12-10 15:14:34.123 " and its terminator

// Formats into buffer (size bytes), cut to fit.
void FormatInto(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    qvplatform::FormatBounded(buffer, size, format, args);
    va_end(args);
}

}  // namespace

RunLog::~RunLog() {
    if (IsOpen()) CloseHandle(file_);
}

void RunLog::Open(const char* path) {
    if (path == nullptr || path[0] == '\0' || IsOpen()) return;
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return;
    // Appending data only: whatever the file held stays, and two launchers
    // writing to one log never overwrite each other's lines.
    file_ = CreateFileA(full, FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void RunLog::Write(const char* format, ...) {
    if (!IsOpen()) return;
    char text[kLogWriteChars];
    va_list args;
    va_start(args, format);
    qvplatform::FormatBounded(text, sizeof text, format, args);
    va_end(args);

    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[kStampChars];
    FormatInto(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds);
    size_t stampLength = strlen(stamp);

    char out[kLogWriteChars];
    size_t used = 0;
    for (const char* line = text; used + stampLength + 2 < sizeof out;) {
        const char* end = strchr(line, '\n');
        size_t length = end != nullptr ? static_cast<size_t>(end - line) : strlen(line);
        size_t room = sizeof out - used - stampLength - 2;
        if (length > room) length = room;
        memcpy(out + used, stamp, stampLength);
        memcpy(out + used + stampLength, line, length);
        used += stampLength + length;
        out[used++] = '\r';
        out[used++] = '\n';
        if (end == nullptr) break;
        line = end + 1;
    }
    DWORD written = 0;
    WriteFile(file_, out, static_cast<DWORD>(used), &written, nullptr);
}
