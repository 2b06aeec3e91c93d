#include "self_check.h"

#include <memory>
#include <new>

#include "background_work.h"
#include "failure_text.h"
#include "image_checksum.h"
#include "qv_string.h"
#include "system_paths.h"

namespace {

const DWORD kPieceSize = 1024 * 1024;

// Closes a file handle when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Reads until piece is full or the file ends; false on a read error.
bool ReadPiece(HANDLE file, unsigned char* piece, DWORD size, DWORD* got) {
    *got = 0;
    while (*got < size) {
        DWORD n = 0;
        if (!ReadFile(file, piece + *got, size - *got, &n, nullptr)) return false;
        if (n == 0) break;
        *got += n;
    }
    return true;
}

}  // namespace

ImageFileState CheckImageFile(const wchar_t* path) {
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) return ImageFileState::Unreadable;
    std::unique_ptr<unsigned char[]> piece(new (std::nothrow) unsigned char[kPieceSize]);
    if (!piece) return ImageFileState::Unreadable;

    DWORD got = 0;
    if (!ReadPiece(file.Get(), piece.get(), kPieceSize, &got)) return ImageFileState::Unreadable;
    ImageChecksumField field;
    if (!FindImageChecksumField(piece.get(), got, &field)) return ImageFileState::Damaged;
    if (field.stored == 0) return ImageFileState::NoChecksum;

    ImageChecksum checksum(field.offset);
    while (got > 0) {
        WorkCheckpoint();
        checksum.Add(piece.get(), got);
        if (!ReadPiece(file.Get(), piece.get(), kPieceSize, &got)) return ImageFileState::Unreadable;
    }
    return checksum.Value() == field.stored ? ImageFileState::Intact : ImageFileState::Damaged;
}

bool LauncherFileIsDamaged(HMODULE module) {
    DWORD error = 0;
    std::unique_ptr<wchar_t[]> path = ModuleFileName(module, &error);
    return path && CheckImageFile(path.get()) == ImageFileState::Damaged;
}

QvString DamagedLauncherReport(HMODULE module) {
    QvString text;
    text.Format(GetDamagedLauncherText(), ReportedModuleName(module));
    return text;
}
