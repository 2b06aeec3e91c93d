// Where the archive loop finds its archives: resources of type TVArc in a
// module, or (in tests) any other store of bytes.
#ifndef TESSAROVEN_ARCHIVE_SOURCE_H
#define TESSAROVEN_ARCHIVE_SOURCE_H

#include <stdint.h>
#include <windows.h>

class ArchiveSource {
public:
    // The bytes of the archive called name and their count, or null when
    // there is no such archive. Throws (as a pointer) QvStreamException
    // CorruptArchive, whose text names the archive and the platform's error,
    // when the archive is there but cannot be read. The bytes belong to the
    // source and stay valid as long as it does.
    virtual const unsigned char* Find(const char* name, uint32_t* size) const = 0;

protected:
    ~ArchiveSource() = default;
};

// Archives embedded as resources of type TVArc in a module: the launcher's
// own, or a launcher file the next stage mapped as data. The bytes are the
// module's, valid while it stays loaded. Only the platform's "not found"
// means an absent archive: any other failure to find, load or lock one
// (no memory, say) throws, so that a run never goes on without it.
class ResourceArchiveSource : public ArchiveSource {
public:
    explicit ResourceArchiveSource(HMODULE module) : module_(module) {}
    const unsigned char* Find(const char* name, uint32_t* size) const override;

private:
    HMODULE module_;
};

#endif
