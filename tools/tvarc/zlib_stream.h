// The packed data of one archive entry: exactly one zlib stream, a two-byte
// header, raw deflate data and a big-endian Adler-32 of the unpacked bytes.
// The tool deflates with its own code and inflates with the launcher's.
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
    Damaged,        // the launcher's inflation stops with an error: header, deflate data or Adler-32
    Truncated,      // the packed data end before the stream does
    TrailingBytes,  // bytes follow the stream within the packed data
    Oversized,      // the stream inflates to more bytes than the limit
};

struct InflateResult {
    StreamFault fault = StreamFault::None;
    uint64_t unpackedSize = 0;  // bytes inflated, up to the fault if there is one
    std::string detail;         // what exactly is wrong, for messages
};

// Receives the inflated bytes in order; may throw to stop the inflation.
using InflateSink = std::function<void(const unsigned char* data, size_t size)>;

// Inflates the packedSize bytes at packed with the launcher's own entry
// inflation (archive/inflate_entry.h), handing the output to sink when it is
// set, and stops with Oversized as soon as more than limit bytes come.
// Reads nothing outside the packedSize bytes. Throws ToolError when memory
// runs out.
InflateResult InflateZlibStream(const unsigned char* packed, uint32_t packedSize, uint64_t limit, const InflateSink& sink);

#endif
