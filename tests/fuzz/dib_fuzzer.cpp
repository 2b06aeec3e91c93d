// Fuzz target: any bytes as a picture resource, and any bytes as 8-bit
// run-length data. Planning, completing and expanding must stay inside the
// source and the block, whatever the bytes hold; the buffers are exactly as
// large as the plan says, so that the sanitizer sees any step past them.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "dib_format.h"
#include "little_endian.h"

namespace {

void Touch(const uint8_t* p, size_t n) {
    // Reads every byte, so that the sanitizer sees uninitialised output too.
    volatile unsigned sum = 0;
    for (size_t i = 0; i < n; ++i) sum = sum + p[i];
}

void LoadAsPicture(const uint8_t* data, size_t size) {
    uint8_t* source = new uint8_t[size != 0 ? size : 1];
    if (size != 0) memcpy(source, data, size);
    DibPlan plan;
    if (PlanDib(source, size, &plan)) {
        if (plan.sourcePixelOffset + plan.sourcePixelBytes > size) __builtin_trap();
        if (plan.blockSize != plan.sourcePixelOffset + plan.pixelBytes) __builtin_trap();
        if (plan.pixelBytes < static_cast<size_t>(plan.rowSize) *
                                  static_cast<size_t>(plan.height < 0 ? -static_cast<int64_t>(plan.height) : plan.height))
            __builtin_trap();  // drawing reads every row
        uint8_t* block = new uint8_t[plan.blockSize];
        BuildDib(source, size, plan, block);
        Touch(block, plan.blockSize);
        if (ReadLe32(block + kDibCompression) != kDibUncompressed) __builtin_trap();
        if (ReadLe32(block + kDibColoursUsed) != plan.colours) __builtin_trap();
        delete[] block;
    }
    delete[] source;
}

void ExpandAsRuns(const uint8_t* data, size_t size) {
    if (size < 2) return;
    // The first two bytes choose the output size, the rest are the runs.
    size_t targetSize = data[0] | data[1] << 8;
    size_t sourceSize = size - 2;
    uint8_t* source = new uint8_t[sourceSize != 0 ? sourceSize : 1];
    if (sourceSize != 0) memcpy(source, data + 2, sourceSize);
    uint8_t* target = new uint8_t[targetSize != 0 ? targetSize : 1];
    size_t reached = ExpandRle8(source, sourceSize, targetSize != 0 ? target : nullptr, targetSize);
    if (reached > targetSize) __builtin_trap();
    Touch(target, targetSize);
    delete[] target;
    delete[] source;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LoadAsPicture(data, size);
    ExpandAsRuns(data, size);
    return 0;
}
