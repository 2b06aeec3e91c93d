#include "zlib_stream.h"

#include "inflate_entry.h"
#include "qv_stream_exception.h"
#include "tool_error.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

static_assert(((kZlibHeader0 << 8) | kZlibHeader1) % 31 == 0, "the header's check bits must hold");
static_assert((kZlibHeader1 & 0x20) == 0, "no preset dictionary");

constexpr size_t kChunk = 64 * 1024;

void WriteBytes(std::FILE* out, const unsigned char* data, size_t size, const std::string& outName) {
    if (size != 0 && std::fwrite(data, 1, size, out) != size)
        throw ToolError("cannot write " + outName + ": " + std::strerror(errno));
}

// Owns a deflate state so that every way out of a function ends it.
class DeflateState {
public:
    DeflateState() { std::memset(&z_, 0, sizeof z_); }
    ~DeflateState() {
        if (ready_) deflateEnd(&z_);
    }
    DeflateState(const DeflateState&) = delete;
    DeflateState& operator=(const DeflateState&) = delete;

    void MarkReady() { ready_ = true; }
    z_stream& operator*() { return z_; }
    z_stream* operator->() { return &z_; }

private:
    z_stream z_;
    bool ready_ = false;
};

}  // namespace

DeflateResult WriteZlibStream(std::FILE* in, const std::string& inName, std::FILE* out, const std::string& outName) {
    DeflateState z;
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

namespace {

// Hands the launcher's output pieces to the sink and counts them, stopping
// the inflation once they pass the limit.
class SinkWriter final : public QvWriter {
public:
    struct Overflow {};

    SinkWriter(uint64_t limit, const InflateSink& sink) : limit_(limit), sink_(sink) {}
    uint32_t Write(const void* buffer, uint32_t count) override {
        if (count > limit_ - total_) throw Overflow{};
        total_ += count;
        if (sink_) sink_(static_cast<const unsigned char*>(buffer), count);
        return count;
    }
    uint64_t Total() const { return total_; }

private:
    uint64_t limit_;
    const InflateSink& sink_;
    uint64_t total_ = 0;
};

}  // namespace

InflateResult InflateZlibStream(const unsigned char* packed, uint32_t packedSize, uint64_t limit, const InflateSink& sink) {
    InflateResult result;
    SinkWriter writer(limit, sink);
    EntryInflation end;
    try {
        end = InflateEntry(packed, packedSize, writer);
    } catch (const SinkWriter::Overflow&) {
        result.fault = StreamFault::Oversized;
        result.unpackedSize = writer.Total();
        result.detail = "the stream inflates to more than the " + std::to_string(limit) + " bytes the directory says";
        return result;
    } catch (const QvStreamException& error) {
        // Only a failed allocation stops the engine before the stream does.
        throw ToolError("cannot inflate: no memory (inflation code " + std::to_string(error.Code()) + ")");
    }
    result.unpackedSize = writer.Total();
    if (end.complete) {
        if (end.unusedBytes != 0) {
            result.fault = StreamFault::TrailingBytes;
            result.detail = std::to_string(end.unusedBytes) + " bytes follow the end of the stream";
        }
        return result;
    }
    switch (end.zlibResult) {
        case Z_BUF_ERROR:
            result.fault = StreamFault::Truncated;
            result.detail = "the packed data (" + std::to_string(packedSize) + " bytes) end inside the stream";
            return result;
        case Z_MEM_ERROR:
            throw ToolError("cannot inflate: no memory");
        case Z_OK:
            // The launcher's inflation counts in 32 bits and stops there.
            result.fault = StreamFault::Oversized;
            result.detail = "the stream inflates to 4 GB or more";
            return result;
        case Z_NEED_DICT:
            result.fault = StreamFault::Damaged;
            result.detail = "the stream asks for a preset dictionary";
            return result;
        default:
            result.fault = StreamFault::Damaged;
            result.detail = std::string("damaged (") +
                            (end.zlibMessage != nullptr ? end.zlibMessage : "zlib result " + std::to_string(end.zlibResult)) + ")";
            return result;
    }
}
