#include "qv_file_stream.h"

#include <windows.h>

#include <new>

#include "qv_stream_exception.h"

namespace {

[[noreturn]] void Fail(int code) { throw new QvStreamException(code); }

const DWORD kPositionFailed = 0xFFFFFFFFu;

}  // namespace

QvFileStream::QvFileStream() : handle(nullptr), owned(0) {}

QvFileStream::QvFileStream(void* handle) : handle(handle), owned(0) {}

QvFileStream::QvFileStream(const char* path, uint32_t flags) : handle(nullptr), owned(0) {
    if (!Open(path, flags)) throw new QvStreamException(QvStreamException::OpenFailed, path);
}

QvFileStream::~QvFileStream() noexcept(false) {
    if (handle != nullptr && owned != 0) Close();
}

int QvFileStream::Open(const char* path, uint32_t flags) {
    // A second open would lose the handle the stream holds (or leave it open).
    if (handle != nullptr) return 0;
    handle = nullptr;
    owned = 0;

    DWORD access;
    switch (flags & 0x3) {
        case AccessRead: access = GENERIC_READ; break;
        case AccessWrite: access = GENERIC_WRITE; break;
        case AccessReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
        default: return 0;  // undefined access value
    }
    DWORD share;
    switch (flags & 0x70) {
        case 0x00:
        case ShareNone: share = 0; break;
        case ShareRead: share = FILE_SHARE_READ; break;
        case ShareWrite: share = FILE_SHARE_WRITE; break;
        case ShareReadWrite: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
        default: return 0;  // undefined sharing value
    }
    DWORD disposition = OPEN_EXISTING;
    if (flags & OpenCreate) disposition = (flags & OpenKeepContents) ? OPEN_ALWAYS : CREATE_ALWAYS;

    HANDLE h = CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    handle = h;
    owned = 1;
    return 1;
}

void QvFileStream::Close() {
    if (handle == nullptr) return;
    BOOL ok = CloseHandle(static_cast<HANDLE>(handle));
    handle = nullptr;
    owned = 0;
    if (!ok) Fail(QvStreamException::CloseFailed);
}

uint32_t QvFileStream::Read(void* buffer, uint32_t count) {
    if (count == 0) return 0;
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(handle), buffer, count, &got, nullptr)) Fail(QvStreamException::ReadFailed);
    return got;
}

uint32_t QvFileStream::Write(const void* buffer, uint32_t count) {
    if (count == 0) return 0;
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(handle), buffer, count, &written, nullptr))
        Fail(QvStreamException::WriteFailed);
    if (written != count) Fail(QvStreamException::ShortWrite);
    return count;
}

uint32_t QvFileStream::Tell() {
    DWORD position = SetFilePointer(static_cast<HANDLE>(handle), 0, nullptr, FILE_CURRENT);
    if (position == kPositionFailed) Fail(QvStreamException::PositionFailed);
    return position;
}

uint32_t QvFileStream::Seek(int32_t distance, uint32_t method) {
    DWORD position = SetFilePointer(static_cast<HANDLE>(handle), distance, nullptr, method);
    if (position == kPositionFailed) Fail(QvStreamException::PositionFailed);
    return position;
}

uint32_t QvFileStream::Length() {
    uint32_t saved = Seek(0, FILE_CURRENT);
    uint32_t end = Seek(0, FILE_END);
    uint32_t back = Seek(static_cast<int32_t>(saved), FILE_BEGIN);
    if (back != saved) Fail(QvStreamException::PositionFailed);
    return end;
}

int QvFileStream::Lock(uint32_t offset, uint32_t length) {
    return LockFile(static_cast<HANDLE>(handle), offset, 0, length, 0) ? 0 : -1;
}

void QvFileStream::Unlock(uint32_t offset, uint32_t length) {
    if (!UnlockFile(static_cast<HANDLE>(handle), offset, 0, length, 0)) Fail(QvStreamException::UnlockFailed);
}

void DiscardFileStream(QvFileStream* stream) {
    if (stream == nullptr) return;
    try {
        stream->Close();
    } catch (QvStreamException* e) {
        delete e;
    } catch (const std::bad_alloc&) {
        // No memory for the close's own exception: dropped all the same.
    }
    delete stream;
}
