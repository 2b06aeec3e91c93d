#include "archive_builder.h"

#include <zlib.h>

#include <stdexcept>

Bytes Deflate(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
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
