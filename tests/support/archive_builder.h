// Builds archives in memory for tests, with every field under the test's control.
#ifndef TESSAROVEN_TESTS_ARCHIVE_BUILDER_H
#define TESSAROVEN_TESTS_ARCHIVE_BUILDER_H

#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// Returns the zlib stream (RFC 1950) of data at zlib's level (0 to 9; by
// default zlib's default, header 0x78 0x9C).
Bytes Deflate(const std::string& data, int level = -1);

// Deflates one text after another into zlib streams at one level, with one
// zlib state for all: a fresh state per text (as Deflate makes) costs a
// quarter of a megabyte from the heap, which under Wine adds about a
// millisecond to each of thousands of small entries.
class Deflater {
public:
    // level: 0 to 9, or -1 for zlib's default.
    explicit Deflater(int level);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    // Returns the zlib stream of data, the same bytes Deflate(data, level) gives.
    Bytes Deflate(const std::string& data);

private:
    struct State;
    State* state_;
};

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
