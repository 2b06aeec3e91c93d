#include "dib_format.h"

#include <string.h>

#include "little_endian.h"

namespace {

// Row size in 64 bits, so that no width of the header can overflow it.
uint64_t RowBytes(int32_t width, uint16_t bitsPerPixel) {
    uint64_t bits = static_cast<uint64_t>(width > 0 ? width : 0) * bitsPerPixel;
    return ((bits + 31) & ~static_cast<uint64_t>(31)) / 8;
}

bool KnownDepth(uint16_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1: case 4: case 8: case 16: case 24: case 32: return true;
        default: return false;
    }
}

}  // namespace

uint32_t DibRowSize(int32_t width, uint16_t bitsPerPixel) {
    uint64_t bytes = RowBytes(width, bitsPerPixel);
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
}

bool PlanDib(const uint8_t* data, size_t size, DibPlan* plan) {
    if (data == nullptr || size < kDibInfoHeaderSize) return false;
    DibPlan p;
    p.headerSize = ReadLe32(data + kDibHeaderSize);
    if (p.headerSize < kDibInfoHeaderSize || p.headerSize > size) return false;
    p.width = static_cast<int32_t>(ReadLe32(data + kDibWidth));
    p.height = static_cast<int32_t>(ReadLe32(data + kDibHeight));
    p.bitsPerPixel = ReadLe16(data + kDibBitsPerPixel);
    p.compression = ReadLe32(data + kDibCompression);
    uint32_t statedImageSize = ReadLe32(data + kDibImageSize);
    p.colours = ReadLe32(data + kDibColoursUsed);

    if (ReadLe16(data + kDibPlanes) != 1 || !KnownDepth(p.bitsPerPixel)) return false;
    if (p.width <= 0 || p.height == 0 || p.height == INT32_MIN) return false;
    // Run-length data are always stored bottom-up; other compressions
    // (4-bit runs, bit fields) the drawing path cannot show.
    if (p.compression == kDibRle8) {
        if (p.bitsPerPixel != 8 || p.height < 0) return false;
    } else if (p.compression != kDibUncompressed) {
        return false;
    }

    if (p.colours == 0 && p.bitsPerPixel <= 8) p.colours = 1u << p.bitsPerPixel;
    if (p.colours > 256 || (p.bitsPerPixel <= 8 && p.colours > (1u << p.bitsPerPixel))) return false;
    size_t tableEnd = p.headerSize + static_cast<size_t>(p.colours) * 4;
    if (tableEnd > size) return false;
    p.sourcePixelOffset = tableEnd;
    size_t available = size - tableEnd;

    uint64_t rowSize = RowBytes(p.width, p.bitsPerPixel);
    uint64_t rows = p.height < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(p.height)) : static_cast<uint64_t>(p.height);
    if (rowSize > kDibMaxPixelBytes || rowSize * rows > kDibMaxPixelBytes) return false;
    size_t needed = static_cast<size_t>(rowSize * rows);
    p.rowSize = static_cast<uint32_t>(rowSize);

    if (p.compression == kDibUncompressed) {
        // Every row the drawing reads must come from the resource, and a
        // stated size must not claim more than the resource holds.
        if (needed > available || statedImageSize > available) return false;
        p.pixelBytes = statedImageSize > needed ? statedImageSize : needed;
        p.sourcePixelBytes = p.pixelBytes;
        p.imageSize = statedImageSize != 0 ? statedImageSize : static_cast<uint32_t>(needed);
    } else {
        p.sourcePixelBytes = statedImageSize != 0 && statedImageSize < available ? statedImageSize : available;
        p.pixelBytes = needed;
        p.imageSize = static_cast<uint32_t>(needed);
    }
    p.blockSize = tableEnd + p.pixelBytes;
    *plan = p;
    return true;
}

void BuildDib(const uint8_t* data, size_t size, const DibPlan& plan, uint8_t* block) {
    (void)size;
    memcpy(block, data, plan.sourcePixelOffset);
    WriteLe32(block + kDibImageSize, plan.imageSize);
    WriteLe32(block + kDibColoursUsed, plan.colours);
    WriteLe32(block + kDibCompression, kDibUncompressed);
    uint8_t* pixels = block + plan.sourcePixelOffset;
    const uint8_t* source = data + plan.sourcePixelOffset;
    if (plan.compression == kDibRle8) {
        ExpandRle8(source, plan.sourcePixelBytes, pixels, plan.pixelBytes);
    } else {
        memcpy(pixels, source, plan.pixelBytes);
    }
}

size_t ExpandRle8(const uint8_t* source, size_t sourceSize, uint8_t* target, size_t targetSize) {
    if (targetSize != 0) memset(target, 0, targetSize);
    size_t in = 0;
    size_t out = 0;
    while (out < targetSize && sourceSize - in >= 2) {
        uint8_t count = source[in];
        uint8_t value = source[in + 1];
        in += 2;
        if (count != 0) {
            size_t n = count < targetSize - out ? count : targetSize - out;
            memset(target + out, value, n);
            out += n;
            continue;
        }
        switch (value) {
            case 0: {  // end of line
                size_t next = (out + 3) & ~static_cast<size_t>(3);
                out = next < targetSize ? next : targetSize;
                break;
            }
            case 1:  // end of picture
                return out;
            case 2:  // delta: its offsets are skipped, the position stays
                in = sourceSize - in >= 2 ? in + 2 : sourceSize;
                break;
            default: {  // absolute run of value bytes, padded to a whole pair
                size_t n = value;
                size_t readable = n < sourceSize - in ? n : sourceSize - in;
                size_t writable = readable < targetSize - out ? readable : targetSize - out;
                memcpy(target + out, source + in, writable);
                out += writable;
                size_t consumed = n + (n & 1);
                in = consumed < sourceSize - in ? in + consumed : sourceSize;
                break;
            }
        }
    }
    return out;
}
