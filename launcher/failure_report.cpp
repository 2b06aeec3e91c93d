#include "failure_report.h"

#include <stdarg.h>
#include <string.h>

#include <memory>
#include <new>

#include "failure_text.h"
#include "qv_platform.h"
#include "qv_stream_exception.h"

#ifdef _WIN32
#include <windows.h>
static_assert(kOutOfMemoryCode == ERROR_NOT_ENOUGH_MEMORY, "the platform's code for lack of memory");
#endif

namespace {

// Copies text (null: empty) into field, cut to fit.
template <size_t N>
void SetField(char (&field)[N], const char* text) {
    size_t n = text != nullptr ? strlen(text) : 0;
    if (n >= N) n = N - 1;
    memcpy(field, text != nullptr ? text : "", n);
    field[n] = '\0';
}

// Appends the formatted text to the zero-terminated text in buffer (size
// bytes), cut to fit.
void Append(char* buffer, size_t size, const char* format, ...) {
    size_t used = strlen(buffer);
    if (used + 1 >= size) return;
    va_list args;
    va_start(args, format);
    qvplatform::FormatBounded(buffer + used, size - used, format, args);
    va_end(args);
}

// Codes whose text is the path of the file concerned (qv_stream_exception.h).
bool TextIsPath(int code) {
    return code == QvStreamException::OpenFailed || code == QvStreamException::StreamIncomplete ||
           code == QvStreamException::PathTooLong;
}

// Whether the first n characters of a and b are the same, ASCII letters of
// either case alike.
bool SameIgnoringCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void Describe(RunFailure* failure, const QvStreamException& e, const char* currentPath, const char* launcherFile) {
    if (e.Detail() != nullptr && TextIsPath(e.Code())) {
        SetFailure(failure, e.Code(), e.Detail(), nullptr);
        return;
    }
    const char* path = e.Code() == QvStreamException::CorruptArchive ? launcherFile : currentPath;
    SetFailure(failure, e.Code(), path, e.Detail());
}

}  // namespace

void SetFailure(RunFailure* failure, int code, const char* path, const char* reason) {
    failure->code = code;
    SetField(failure->path, path);
    SetField(failure->reason, reason);
}

void AddLeftover(RunFailure* failure, const char* path, bool handedToSystem) {
    char* lines = handedToSystem ? failure->handedOver : failure->leftBehind;
    Append(lines, kFailureLeftoverChars, lines[0] != '\0' ? "\n%s" : "%s", path);
}

bool LeftBehindBelow(const RunFailure& failure, const char* folder) {
    size_t length = strlen(folder);
    for (const char* line = failure.leftBehind; *line != '\0';) {
        const char* end = strchr(line, '\n');
        size_t lineLength = end != nullptr ? static_cast<size_t>(end - line) : strlen(line);
        if (lineLength > length && line[length] == '\\' && SameIgnoringCase(line, folder, length)) return true;
        if (end == nullptr) break;
        line = end + 1;
    }
    return false;
}

void RecordCurrentFailure(RunFailure* failure, const char* currentPath, const char* launcherFile) {
    try {
        throw;
    } catch (QvStreamException* e) {
        std::unique_ptr<QvStreamException> owned(e);
        Describe(failure, *e, currentPath, launcherFile);
    } catch (const QvStreamException& e) {
        Describe(failure, e, currentPath, launcherFile);
    } catch (const std::bad_alloc&) {
        SetFailure(failure, kOutOfMemoryCode, currentPath, nullptr);
    }
}

void FormatFailureReport(const RunFailure& failure, char* text, size_t size) {
    if (size == 0) return;
    text[0] = '\0';
    Append(text, size, GetFailureReportText(), failure.path, failure.code);
    if (failure.reason[0] != '\0') Append(text, size, "\n%s", failure.reason);
    if (failure.handedOver[0] != '\0') Append(text, size, "\n\n%s\n%s", GetLeftoversHeading(), failure.handedOver);
    if (failure.leftBehind[0] != '\0') Append(text, size, "\n\n%s\n%s", GetLeftBehindHeading(), failure.leftBehind);
}

const char* FailureReportText(const RunFailure& failure) {
    static char text[kFailureReportChars];
    FormatFailureReport(failure, text, sizeof text);
    return text;
}
