#include "archive_source.h"

namespace {
const char kArchiveType[] = "TVArc";
}  // namespace

const unsigned char* ResourceArchiveSource::Find(const char* name, uint32_t* size) const {
    HRSRC info = FindResourceA(module_, name, kArchiveType);
    if (info == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module_, info);
    if (loaded == nullptr) return nullptr;
    *size = SizeofResource(module_, info);
    return static_cast<const unsigned char*>(LockResource(loaded));
}
