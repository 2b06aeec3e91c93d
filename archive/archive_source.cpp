#include "archive_source.h"

#include "qv_stream_exception.h"
#include "qv_string.h"

namespace {

const char kArchiveType[] = "TVArc";

// The platform's answers that mean: the module carries no such resource.
bool MeansAbsent(DWORD error) {
    return error == ERROR_RESOURCE_NAME_NOT_FOUND || error == ERROR_RESOURCE_TYPE_NOT_FOUND ||
           error == ERROR_RESOURCE_DATA_NOT_FOUND;  // no resources at all
}

[[noreturn]] void ThrowUnreadable(const char* name, DWORD error) {
    QvString text;
    text.Format("%s: the archive cannot be read (Windows error %lu)", name, static_cast<unsigned long>(error));
    throw new QvStreamException(QvStreamException::CorruptArchive, text);
}

}  // namespace

const unsigned char* ResourceArchiveSource::Find(const char* name, uint32_t* size) const {
    HRSRC info = FindResourceA(module_, name, kArchiveType);
    if (info == nullptr) {
        DWORD error = GetLastError();
        if (MeansAbsent(error)) return nullptr;
        ThrowUnreadable(name, error);
    }
    HGLOBAL loaded = LoadResource(module_, info);
    if (loaded == nullptr) ThrowUnreadable(name, GetLastError());
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) ThrowUnreadable(name, GetLastError());
    *size = SizeofResource(module_, info);
    return static_cast<const unsigned char*>(bytes);
}
