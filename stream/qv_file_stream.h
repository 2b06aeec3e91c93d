// A stream over a Win32 file handle: every Read or Write with a non-zero
// count is exactly one system call, with no buffering.
#ifndef TESSAROVEN_QV_FILE_STREAM_H
#define TESSAROVEN_QV_FILE_STREAM_H

#include <stdint.h>

#include "qv_stream.h"

class QvFileStream : public QvReadWriteStream {
public:
    // Open flags: an access field (bits 0-1), a sharing field (bits 4-6) and
    // the creation bits. Other bits are ignored.
    enum : uint32_t {
        AccessRead = 0x0000,
        AccessWrite = 0x0001,
        AccessReadWrite = 0x0002,
        ShareNone = 0x0010,
        ShareRead = 0x0020,
        ShareWrite = 0x0030,
        ShareReadWrite = 0x0040,
        OpenCreate = 0x1000,
        OpenKeepContents = 0x2000,
    };

    // Opens path with flags; throws a new QvStreamException (OpenFailed, the path) on failure.
    QvFileStream(const char* path, uint32_t flags);
    QvFileStream(const QvFileStream&) = delete;
    QvFileStream& operator=(const QvFileStream&) = delete;
    // Closes an owned handle; a failing CloseHandle throws CloseFailed.
    virtual ~QvFileStream() noexcept(false);
    // One WriteFile of count bytes; WriteFailed or ShortWrite when it fails.
    uint32_t Write(const void* buffer, uint32_t count) override;
    // Closes the handle if there is one; the stream is closed afterwards
    // even when CloseHandle fails (then CloseFailed is thrown).
    void Close();

    // The rest of the stream classes' interface, kept whole although the
    // launcher only creates, writes and closes files: a stream without a
    // file or on a borrowed handle, Open, reading and the random-access side.

    // A stream without a file.
    QvFileStream();
    // Uses a handle it does not own: the destructor leaves it open, Close closes it.
    explicit QvFileStream(void* handle);
    // Returns 1 when the file was opened, 0 when not. Refuses (0) while the
    // stream still holds a handle, and for undefined access or sharing values.
    int Open(const char* path, uint32_t flags);
    uint32_t Read(void* buffer, uint32_t count) override;
    uint32_t Length() override;
    uint32_t Tell() override;
    uint32_t Seek(int32_t distance, uint32_t method) override;
    int Lock(uint32_t offset, uint32_t length) override;
    void Unlock(uint32_t offset, uint32_t length) override;
    // The handle (a Win32 HANDLE), null without a file; the stream keeps it.
    void* Handle() const { return handle; }

private:
    void* handle;
    int32_t owned;
};

// Closes and deletes stream (null is fine) on a path that is already failing:
// a close failure is dropped (also when there is no memory for its
// exception), since the failure under way is the one to report. Never throws.
void DiscardFileStream(QvFileStream* stream);

#endif
