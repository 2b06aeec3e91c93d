// Where the archive loop finds its archives: resources of type TVArc in a
// module, or (in tests) any other store of bytes.
#ifndef TESSAROVEN_ARCHIVE_SOURCE_H
#define TESSAROVEN_ARCHIVE_SOURCE_H

#include <stdint.h>
#include <windows.h>

class ArchiveSource {
public:
    // The bytes of the archive called name and their count, or null when
    // there is no such archive or it cannot be loaded. The bytes belong to
    // the source and stay valid as long as it does.
    virtual const unsigned char* Find(const char* name, uint32_t* size) const = 0;

protected:
    ~ArchiveSource() = default;
};

// Archives embedded as resources of type TVArc in a module: the launcher's
// own, or a launcher file the next stage mapped as data. The bytes are the
// module's, valid while it stays loaded.
class ResourceArchiveSource : public ArchiveSource {
public:
    explicit ResourceArchiveSource(HMODULE module) : module_(module) {}
    const unsigned char* Find(const char* name, uint32_t* size) const override;

private:
    HMODULE module_;
};

#endif
