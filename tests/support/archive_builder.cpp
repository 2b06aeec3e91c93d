#include "archive_builder.h"

#include <zlib.h>

#include <stdexcept>

Bytes Deflate(const std::string& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                  level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

struct Deflater::State {
    z_stream stream;
};

Deflater::Deflater(int level) : state_(new State()) {
    if (deflateInit(&state_->stream, level) != Z_OK) {
        delete state_;
        throw std::runtime_error("deflateInit failed");
    }
}

Deflater::~Deflater() {
    deflateEnd(&state_->stream);
    delete state_;
}

Bytes Deflater::Deflate(const std::string& data) {
    z_stream& z = state_->stream;
    if (deflateReset(&z) != Z_OK) throw std::runtime_error("deflateReset failed");
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
    out.resize(z.total_out);
    return out;
}

std::string VariedText(size_t n, unsigned seed) {
    std::string text;
    text.reserve(n);
    uint32_t state = seed;
    while (text.size() < n) {
        state = state * 1103515245u + 12345u;
        // Words from a small alphabet: compressible, but not to nothing.
        text += static_cast<char>('a' + (state >> 16) % 7);
        if ((state >> 24) % 5 == 0) text += ' ';
    }
    text.resize(n);
    return text;
}

void PutLe32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

namespace {
void AppendLe32(Bytes& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}
}  // namespace

Bytes BuildArchive(const std::vector<BuiltEntry>& entries) {
    Bytes bytes(4, 0);
    std::vector<uint32_t> offsets;
    for (const BuiltEntry& e : entries) {
        offsets.push_back(static_cast<uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), e.packed.begin(), e.packed.end());
    }
    PutLe32(bytes, 0, static_cast<uint32_t>(bytes.size()));
    AppendLe32(bytes, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const BuiltEntry& e = entries[i];
        bytes.push_back(static_cast<unsigned char>(e.name.size()));
        bytes.insert(bytes.end(), e.name.begin(), e.name.end());
        AppendLe32(bytes, offsets[i]);
        AppendLe32(bytes, static_cast<uint32_t>(e.packed.size()));
        AppendLe32(bytes, e.unpackedSize);
        AppendLe32(bytes, 1000000000u);
        AppendLe32(bytes, 1000000001u);
        AppendLe32(bytes, 1000000002u);
    }
    return bytes;
}

BuiltEntry PackedEntry(const std::string& name, const std::string& text) {
    BuiltEntry e;
    e.name = name;
    e.packed = Deflate(text);
    e.unpackedSize = static_cast<uint32_t>(text.size());
    return e;
}
