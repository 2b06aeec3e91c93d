#include "image_checksum.h"

#include <string.h>

#include "little_endian.h"

namespace {

const size_t kPeOffsetField = 0x3C;     // e_lfanew in the DOS header
const size_t kFileHeaderSize = 20;      // after the 4-byte signature
const size_t kChecksumInOptional = 64;  // the same in PE32 and PE32+

}  // namespace

bool FindImageChecksumField(const unsigned char* head, size_t length, ImageChecksumField* field) {
    if (length < kPeOffsetField + 4 || head[0] != 'M' || head[1] != 'Z') return false;
    uint64_t pe = ReadLe32(head + kPeOffsetField);
    uint64_t offset = pe + 4 + kFileHeaderSize + kChecksumInOptional;
    if (offset + 4 > length) return false;
    if (memcmp(head + pe, "PE\0\0", 4) != 0) return false;
    uint16_t optionalSize = ReadLe16(head + pe + 4 + 16);
    if (optionalSize < kChecksumInOptional + 4) return false;
    field->offset = static_cast<uint32_t>(offset);
    field->stored = ReadLe32(head + offset);
    return true;
}

void ImageChecksum::Add(const unsigned char* data, size_t length) {
    // The four bytes of the field count as zeros, wherever the pieces cut them.
    while (length > 0) {
        if (length_ >= field_ + 4 || length_ + length <= field_) {
            AddPlain(data, length);
            return;
        }
        if (length_ < field_) {
            size_t before = static_cast<size_t>(field_ - length_);
            AddPlain(data, before);
            data += before;
            length -= before;
            continue;
        }
        size_t inField = static_cast<size_t>(field_ + 4 - length_);
        if (inField > length) inField = length;
        static const unsigned char kZeros[4] = {0, 0, 0, 0};
        AddPlain(kZeros, inField);
        data += inField;
        length -= inField;
    }
}

void ImageChecksum::AddPlain(const unsigned char* data, size_t length) {
    if (length == 0) return;
    // A piece that starts at an odd offset completes the word begun before.
    if (length_ & 1) {
        sum_ += static_cast<uint64_t>(data[0]) << 8;
        ++data;
        --length;
        ++length_;
    }
    // Two words at a time: 65536 = 1 in the end-around-carry sum, so a
    // little-endian 32-bit value adds up like its two 16-bit halves. The
    // 64-bit total cannot overflow below 2^32 values, far beyond 4 GB files.
    size_t words = length / 4;
    for (size_t i = 0; i < words; ++i) sum_ += ReadLe32(data + 4 * i);
    size_t done = words * 4;
    if (length - done >= 2) {
        sum_ += static_cast<uint64_t>(data[done]) | static_cast<uint64_t>(data[done + 1]) << 8;
        done += 2;
    }
    if (done < length) sum_ += data[done];
    length_ += length;
}

uint32_t ImageChecksum::Value() const {
    uint64_t folded = sum_;
    while (folded >> 16) folded = (folded & 0xFFFF) + (folded >> 16);
    return static_cast<uint32_t>(folded) + static_cast<uint32_t>(length_);
}
