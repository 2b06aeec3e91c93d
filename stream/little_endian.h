// Little-endian fields of stored data (archives, pictures), read and
// written bytewise, so that they may lie at any address. Portable.
#ifndef TESSAROVEN_LITTLE_ENDIAN_H
#define TESSAROVEN_LITTLE_ENDIAN_H

#include <stdint.h>

// The 16-bit value at p.
inline uint16_t ReadLe16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The 32-bit value at p.
inline uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Stores value at p as four bytes.
inline void WriteLe32(unsigned char* p, uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}

#endif
