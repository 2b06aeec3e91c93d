// Builds packed DIB bytes for the picture tests: a 40-byte header, a colour
// table and pixel bytes, each field as given.
#ifndef TESSAROVEN_TEST_DIB_BYTES_H
#define TESSAROVEN_TEST_DIB_BYTES_H

#include <stdint.h>

#include <vector>

struct DibFields {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t planes = 1;
    uint16_t bits = 8;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    uint32_t coloursUsed = 0;
    uint32_t tableEntries = 0;  // entries actually written (entry i: blue i, green 2i, red 3i)
    std::vector<uint8_t> pixels;
};

inline void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> DibBytes(const DibFields& s) {
    std::vector<uint8_t> out;
    PutLe(out, 40, 4);
    PutLe(out, static_cast<uint32_t>(s.width), 4);
    PutLe(out, static_cast<uint32_t>(s.height), 4);
    PutLe(out, s.planes, 2);
    PutLe(out, s.bits, 2);
    PutLe(out, s.compression, 4);
    PutLe(out, s.imageSize, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, s.coloursUsed, 4);
    PutLe(out, 0, 4);
    for (uint32_t i = 0; i < s.tableEntries; ++i) {
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(static_cast<uint8_t>(2 * i));
        out.push_back(static_cast<uint8_t>(3 * i));
        out.push_back(0);
    }
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

#endif
