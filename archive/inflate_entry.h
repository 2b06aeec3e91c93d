// The inflation of one archive entry into any writer: the launcher's
// extraction writes it to a file, the demo next stage only counts it.
#ifndef TESSAROVEN_INFLATE_ENTRY_H
#define TESSAROVEN_INFLATE_ENTRY_H

#include <stdint.h>

#include "qv_stream.h"

// Inflates the zlib stream in the packedSize bytes at packed into out, in
// refills of 113 bytes and writes of at most 100. Returns true when the
// stream reached its proper end, false when it is damaged or cut short (out
// then holds what was inflated before). Lets out's failures through, and
// the engine's (QvStreamException by value, "Zlib-Fehler"). Owns nothing
// after it returns.
bool InflateEntry(const unsigned char* packed, uint32_t packedSize, QvWriter& out);

#endif
