#include "launcher_version.h"

#include "little_endian.h"

namespace {

// The fixed part's signature, at a 4-byte boundary of the block.
const unsigned kFixedInfoSignature = 0xFEEF04BDu;
// The signature, the structure version, then the file version's more and
// less significant halves.
const size_t kFileVersionHigh = 8;
const size_t kFileVersionLow = 12;

}  // namespace

bool FileVersionOf(const unsigned char* block, size_t size, unsigned parts[4]) {
    for (size_t at = 0; at + kFileVersionLow + 4 <= size; at += 4) {
        if (ReadLe32(block + at) != kFixedInfoSignature) continue;
        unsigned high = ReadLe32(block + at + kFileVersionHigh);
        unsigned low = ReadLe32(block + at + kFileVersionLow);
        parts[0] = high >> 16;
        parts[1] = high & 0xFFFF;
        parts[2] = low >> 16;
        parts[3] = low & 0xFFFF;
        return true;
    }
    return false;
}
