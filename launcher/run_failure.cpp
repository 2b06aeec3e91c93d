#include "run_failure.h"

#include <memory>
#include <new>

#include "failure_text.h"
#include "qv_stream_exception.h"

#ifdef _WIN32
#include <windows.h>
static_assert(kOutOfMemoryCode == ERROR_NOT_ENOUGH_MEMORY, "the platform's code for lack of memory");
#endif

namespace {

// Codes whose text is the path of the file concerned (qv_stream_exception.h).
bool TextIsPath(int code) {
    return code == QvStreamException::OpenFailed || code == QvStreamException::StreamIncomplete ||
           code == QvStreamException::PathTooLong;
}

RunFailure Describe(const QvStreamException& e, const char* fileInHand, const char* launcherFile) {
    RunFailure failure;
    failure.code = e.Code();
    if (e.Detail() != nullptr && TextIsPath(e.Code())) {
        failure.path = e.Detail();
        return failure;
    }
    failure.path = e.Code() == QvStreamException::CorruptArchive ? launcherFile : fileInHand;
    failure.reason = e.Detail();
    return failure;
}

}  // namespace

RunFailure CurrentFailure(const char* fileInHand, const char* launcherFile) {
    try {
        throw;
    } catch (QvStreamException* e) {
        std::unique_ptr<QvStreamException> owned(e);
        return Describe(*e, fileInHand, launcherFile);
    } catch (const QvStreamException& e) {
        return Describe(e, fileInHand, launcherFile);
    } catch (const std::bad_alloc&) {
        RunFailure failure;
        failure.code = kOutOfMemoryCode;
        failure.path = fileInHand;
        return failure;
    }
}

QvString FailureReportText(const RunFailure& failure) {
    QvString text;
    text.Format(GetFailureReportText(), static_cast<const char*>(failure.path), failure.code);
    if (!failure.reason.IsEmpty()) {
        text += '\n';
        text += failure.reason;
    }
    return text;
}
