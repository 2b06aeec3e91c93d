// SHA-256 of a byte stream, for keying an archive on the contents of its
// files: the payload build repacks exactly when a key changes.
#ifndef TESSAROVEN_TVARC_SHA256_H
#define TESSAROVEN_TVARC_SHA256_H

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    // Adds the next size bytes at data.
    void Add(const unsigned char* data, size_t size);
    // The digest of everything added, as 64 lower-case hex digits; ends the sum.
    std::string HexDigest();

private:
    void Block(const unsigned char* block);

    uint32_t state_[8];
    unsigned char buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;
};

#endif
