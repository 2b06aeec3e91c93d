// Builds archives in memory for tests, with every field under the test's control.
#ifndef TESSAROVEN_TESTS_ARCHIVE_BUILDER_H
#define TESSAROVEN_TESTS_ARCHIVE_BUILDER_H

#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// The zlib stream (RFC 1950) of data at the default level: header 0x78 0x9C.
Bytes Deflate(const std::string& data);

// Text of n bytes that compresses to well over one input refill.
std::string VariedText(size_t n, unsigned seed = 1);

struct BuiltEntry {
    std::string name;
    Bytes packed;
    uint32_t unpackedSize = 0;
};

// The archive bytes: offset, packed data in order, directory.
Bytes BuildArchive(const std::vector<BuiltEntry>& entries);

// An entry holding text, packed.
BuiltEntry PackedEntry(const std::string& name, const std::string& text);

void PutLe32(Bytes& bytes, size_t at, uint32_t value);

#endif
