// The checksum a Windows executable carries in its PE header, and the one
// rule for computing it from the file's bytes. The launcher checks its own
// file with it, and the release tools write and check it with it, so both
// agree by construction. Portable: bytes in, numbers out, no file access.
#ifndef TESSAROVEN_IMAGE_CHECKSUM_H
#define TESSAROVEN_IMAGE_CHECKSUM_H

#include <stddef.h>
#include <stdint.h>

// Where the header keeps the checksum: the offset of its 4-byte field from
// the start of the file, and the value stored there (0 means "none").
struct ImageChecksumField {
    uint32_t offset = 0;
    uint32_t stored = 0;
};

// Finds the checksum field in the first bytes of a file (the DOS header, the
// PE signature and the optional header must lie within them). Returns false
// when they do not describe a PE image; field is left alone then.
bool FindImageChecksumField(const unsigned char* head, size_t length, ImageChecksumField* field);

// The checksum of a whole file, fed front to back in pieces of any size:
// the 16-bit little-endian words of the file summed with end-around carry
// (the checksum field itself counting as zero, a last odd byte as a word of
// its own), folded to 16 bits, plus the file's length.
class ImageChecksum {
public:
    // fieldOffset: where the checksum field lies, from FindImageChecksumField.
    explicit ImageChecksum(uint32_t fieldOffset) : field_(fieldOffset) {}

    // Adds the next length bytes of the file; data stays the caller's.
    void Add(const unsigned char* data, size_t length);

    // Returns the checksum of everything added so far.
    uint32_t Value() const;

    // Returns how many bytes were added.
    uint64_t Length() const { return length_; }

private:
    void AddPlain(const unsigned char* data, size_t length);

    uint64_t sum_ = 0;
    uint64_t length_ = 0;
    uint64_t field_;
};

#endif
