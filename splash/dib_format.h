// The byte layout of packed device-independent bitmaps (a 40-byte or longer
// information header, the colour table, the pixel rows), independent of the
// platform: checking a picture taken from the module's resources, completing
// its header, and expanding 8-bit run-length pixel data. The Windows loader
// (dib_loader.h) only adds the resource lookup and the memory block.
#ifndef TESSAROVEN_DIB_FORMAT_H
#define TESSAROVEN_DIB_FORMAT_H

#include <stddef.h>
#include <stdint.h>

// Offsets of the information header's fields.
enum DibField : size_t {
    kDibHeaderSize = 0,
    kDibWidth = 4,
    kDibHeight = 8,
    kDibPlanes = 12,
    kDibBitsPerPixel = 14,
    kDibCompression = 16,
    kDibImageSize = 20,
    kDibXResolution = 24,
    kDibYResolution = 28,
    kDibColoursUsed = 32,
    kDibColoursImportant = 36,
};

const size_t kDibInfoHeaderSize = 40;
const uint32_t kDibUncompressed = 0;
const uint32_t kDibRle8 = 1;

// Bytes of one pixel row: the row's bit count rounded up to 32 bits.
uint32_t DibRowSize(int32_t width, uint16_t bitsPerPixel);

// What a picture becomes once it is loaded: its completed header values and
// where its parts lie in the source bytes and in the completed block.
struct DibPlan {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;          // negative: rows stored top-down
    uint16_t bitsPerPixel = 0;
    uint32_t compression = 0;    // as the source states it
    uint32_t colours = 0;        // colours used, completed
    uint32_t imageSize = 0;      // image size, completed
    uint32_t rowSize = 0;
    size_t sourcePixelOffset = 0;
    size_t sourcePixelBytes = 0; // pixel bytes taken from the source (compressed ones for RLE)
    size_t pixelBytes = 0;       // the block's pixel area: every row, at least the stated image size
    size_t blockSize = 0;        // header + colour table + pixel area
};

// Checks the picture in data[0..size) and plans its completed block. False
// for what cannot be drawn safely: a header shorter than 40 bytes or longer
// than the data, planes other than 1, an unknown pixel depth, compressions
// other than none and 8-bit run-length (which must be stored bottom-up), a
// colour table or pixel rows the data do not hold, or a picture larger than
// kDibMaxPixelBytes.
bool PlanDib(const uint8_t* data, size_t size, DibPlan* plan);

// Writes the completed picture into block (plan.blockSize bytes, which
// need not be cleared): the header with the completed image size and colour
// count and compression 0, the colour table, and the pixel rows, expanded
// when the source is run-length encoded. data and size must be those that
// PlanDib accepted.
void BuildDib(const uint8_t* data, size_t size, const DibPlan& plan, uint8_t* block);

const size_t kDibMaxPixelBytes = 16u * 1024u * 1024u;  // 2048 x 2048 at 32 bits

// Expands 8-bit run-length pixel data from source into target and returns
// the output position reached (at most targetSize). Pairs of bytes: a
// non-zero count repeats the next byte; 0,0 rounds the output position up
// to a multiple of 4 (the start of the next row when the row was filled);
// 0,1 ends the picture; 0,2 skips its two offset bytes and leaves the
// position where it is; 0,n (n >= 3) copies n bytes and skips one more when
// n is odd. Reading stops at the end of source and writing at the end of
// target; bytes no run reaches are set to 0.
size_t ExpandRle8(const uint8_t* source, size_t sourceSize, uint8_t* target, size_t targetSize);

#endif
