#include "zlib_stream.h"

#include "tool_error.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

static_assert(((kZlibHeader0 << 8) | kZlibHeader1) % 31 == 0, "the header's check bits must hold");
static_assert((kZlibHeader1 & 0x20) == 0, "no preset dictionary");

constexpr size_t kChunk = 64 * 1024;
constexpr uint64_t kLargestEntry = 0xFFFFFFFFu;

void WriteBytes(std::FILE* out, const unsigned char* data, size_t size, const std::string& outName) {
    if (size != 0 && std::fwrite(data, 1, size, out) != size)
        throw ToolError("cannot write " + outName + ": " + std::strerror(errno));
}

// Owns a deflate or inflate state so that every way out of a function ends it.
class ZStream {
public:
    explicit ZStream(bool deflating) : deflating_(deflating) { std::memset(&z_, 0, sizeof z_); }
    ~ZStream() {
        if (!ready_) return;
        if (deflating_)
            deflateEnd(&z_);
        else
            inflateEnd(&z_);
    }
    ZStream(const ZStream&) = delete;
    ZStream& operator=(const ZStream&) = delete;

    void MarkReady() { ready_ = true; }
    z_stream& operator*() { return z_; }
    z_stream* operator->() { return &z_; }

private:
    z_stream z_;
    bool deflating_;
    bool ready_ = false;
};

bool IsZlibDeflateHeader(unsigned char cmf, unsigned char flg) {
    bool deflate = (cmf & 0x0F) == 8;
    bool windowFits = (cmf >> 4) <= 7;
    bool checkHolds = ((cmf << 8) | flg) % 31 == 0;
    bool noDictionary = (flg & 0x20) == 0;
    return deflate && windowFits && checkHolds && noDictionary;
}

std::string HexBytes(const unsigned char* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        if (i != 0) text += ' ';
        text += digits[p[i] >> 4];
        text += digits[p[i] & 0x0F];
    }
    return text;
}

}  // namespace

DeflateResult WriteZlibStream(std::FILE* in, const std::string& inName, std::FILE* out, const std::string& outName) {
    ZStream z(true);
    // Raw deflate: the header and trailer are written here, so that the
    // header is exactly 78 9C whatever level the compressor runs at.
    // Memory level 8 rather than 9: the larger blocks of 9 packed typical payload files slightly worse.
    if (deflateInit2(&*z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw ToolError("cannot start the compressor for " + inName);
    z.MarkReady();

    const unsigned char header[2] = {kZlibHeader0, kZlibHeader1};
    WriteBytes(out, header, sizeof header, outName);
    DeflateResult result{0, sizeof header};

    std::vector<unsigned char> input(kChunk);
    std::vector<unsigned char> output(kChunk);
    uLong adler = adler32(0, Z_NULL, 0);
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        size_t got = std::fread(input.data(), 1, input.size(), in);
        if (std::ferror(in)) throw ToolError("cannot read " + inName + ": " + std::strerror(errno));
        if (got < input.size()) flush = Z_FINISH;
        result.unpackedSize += got;
        adler = adler32(adler, input.data(), static_cast<uInt>(got));
        z->next_in = input.data();
        z->avail_in = static_cast<uInt>(got);
        int status;
        do {
            z->next_out = output.data();
            z->avail_out = static_cast<uInt>(output.size());
            status = deflate(&*z, flush);
            if (status == Z_STREAM_ERROR) throw ToolError("the compressor failed on " + inName);
            size_t produced = output.size() - z->avail_out;
            WriteBytes(out, output.data(), produced, outName);
            result.packedSize += produced;
        } while (z->avail_out == 0);
        if (flush == Z_FINISH && status != Z_STREAM_END) throw ToolError("the compressor did not finish " + inName);
    }

    const unsigned char trailer[4] = {static_cast<unsigned char>(adler >> 24), static_cast<unsigned char>(adler >> 16),
                                      static_cast<unsigned char>(adler >> 8), static_cast<unsigned char>(adler)};
    WriteBytes(out, trailer, sizeof trailer, outName);
    result.packedSize += sizeof trailer;
    return result;
}

InflateResult InflateZlibStream(const unsigned char* packed, uint32_t packedSize, const InflateSink& sink) {
    InflateResult result;
    if (packedSize < 2) {
        result.fault = StreamFault::Truncated;
        result.detail = "packed data too short for a zlib header (" + std::to_string(packedSize) + " bytes)";
        return result;
    }
    result.standardHeader = packed[0] == kZlibHeader0 && packed[1] == kZlibHeader1;
    if (!IsZlibDeflateHeader(packed[0], packed[1])) {
        result.fault = StreamFault::BadHeader;
        result.detail = "header bytes " + HexBytes(packed, 2) + " do not start a zlib deflate stream";
        return result;
    }

    ZStream z(false);
    if (inflateInit2(&*z, -15) != Z_OK) throw ToolError("cannot start the decompressor");
    z.MarkReady();
    z->next_in = const_cast<unsigned char*>(packed + 2);
    z->avail_in = packedSize - 2;

    std::vector<unsigned char> output(kChunk);
    uLong adler = adler32(0, Z_NULL, 0);
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        z->next_out = output.data();
        z->avail_out = static_cast<uInt>(output.size());
        status = inflate(&*z, Z_NO_FLUSH);
        size_t produced = output.size() - z->avail_out;
        if (status == Z_MEM_ERROR) throw ToolError("out of memory while inflating");
        if (status == Z_DATA_ERROR || status == Z_NEED_DICT) {
            result.fault = StreamFault::Corrupt;
            result.detail = std::string("invalid deflate data (") + (z->msg ? z->msg : "no detail") + ")";
            return result;
        }
        if (status == Z_BUF_ERROR || (produced == 0 && z->avail_in == 0 && status != Z_STREAM_END)) {
            result.fault = StreamFault::Truncated;
            result.detail = "packed data end inside the deflate data";
            return result;
        }
        result.unpackedSize += produced;
        if (result.unpackedSize > kLargestEntry) {
            result.fault = StreamFault::Oversized;
            result.detail = "inflates to 4 GB or more";
            return result;
        }
        adler = adler32(adler, output.data(), static_cast<uInt>(produced));
        if (sink && produced != 0) sink(output.data(), produced);
    }

    uInt left = z->avail_in;
    if (left < 4) {
        result.fault = StreamFault::Truncated;
        result.detail = "Adler-32 trailer has " + std::to_string(left) + " of 4 bytes";
        return result;
    }
    const unsigned char* t = z->next_in;
    uLong stored = (static_cast<uLong>(t[0]) << 24) | (static_cast<uLong>(t[1]) << 16) |
                   (static_cast<uLong>(t[2]) << 8) | static_cast<uLong>(t[3]);
    if (stored != adler) {
        result.fault = StreamFault::ChecksumMismatch;
        unsigned char computed[4] = {static_cast<unsigned char>(adler >> 24), static_cast<unsigned char>(adler >> 16),
                                     static_cast<unsigned char>(adler >> 8), static_cast<unsigned char>(adler)};
        result.detail = "Adler-32 is " + HexBytes(t, 4) + ", the inflated bytes give " + HexBytes(computed, 4);
        return result;
    }
    if (left > 4) {
        result.fault = StreamFault::TrailingBytes;
        result.detail = std::to_string(left - 4) + " bytes follow the end of the stream";
    }
    return result;
}
