// The packed data of one archive entry: exactly one zlib stream, a two-byte
// header, raw deflate data and a big-endian Adler-32 of the unpacked bytes.
#ifndef TESSAROVEN_TVARC_ZLIB_STREAM_H
#define TESSAROVEN_TVARC_ZLIB_STREAM_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

// The header every archive entry starts with: deflate, 32 KB window, no
// preset dictionary.
constexpr unsigned char kZlibHeader0 = 0x78;
constexpr unsigned char kZlibHeader1 = 0x9C;

struct DeflateResult {
    uint64_t unpackedSize;
    uint64_t packedSize;
};

// Reads in up to its end and appends it to out as one zlib stream at the
// best compression. inName and outName name the files in error messages.
DeflateResult WriteZlibStream(std::FILE* in, const std::string& inName, std::FILE* out, const std::string& outName);

enum class StreamFault {
    None,
    BadHeader,         // not a zlib header for deflate with a window of at most 32 KB
    Corrupt,           // the deflate data are invalid
    Truncated,         // the packed data end before the deflate data or the Adler-32 do
    ChecksumMismatch,  // the Adler-32 differs from that of the inflated bytes
    TrailingBytes,     // bytes follow the Adler-32 within the packed data
    Oversized,         // the stream inflates to 4 GB or more
};

struct InflateResult {
    StreamFault fault = StreamFault::None;
    bool standardHeader = false;  // the header bytes are 78 9C
    uint64_t unpackedSize = 0;    // bytes inflated, up to the fault if there is one
    std::string detail;           // what exactly is wrong, for messages
};

// Receives the inflated bytes in order; may throw to stop the inflation.
using InflateSink = std::function<void(const unsigned char* data, size_t size)>;

// Inflates the packedSize bytes at packed, handing the output to sink when
// it is set, and checks that they hold one complete stream and nothing else.
InflateResult InflateZlibStream(const unsigned char* packed, uint32_t packedSize, const InflateSink& sink);

#endif
