// The inflation of one archive entry into any writer: the launcher's
// extraction writes it to a file, the demo next stage only counts it, and
// the archive tool checks and extracts with it, so that what the tool
// passes is exactly what the launcher unpacks.
#ifndef TESSAROVEN_INFLATE_ENTRY_H
#define TESSAROVEN_INFLATE_ENTRY_H

#include <stdint.h>

#include "qv_stream.h"

// How the inflation of one entry ended.
struct EntryInflation {
    bool complete;            // the stream reached its proper end, Adler-32 checked
    int zlibResult;           // what ended it: Z_STREAM_END, or the error of a damaged or cut-short stream
    const char* zlibMessage;  // zlib's static text for that error, or null
    uint32_t unusedBytes;     // packed bytes after the end of a complete stream
};

// Inflates the zlib stream in the packedSize bytes at packed into out, in
// refills of 113 bytes and writes of at most 100. Returns how it ended; out
// holds what was inflated before a damage or a cut. Lets out's failures
// through, and the engine's (QvStreamException by value, "Zlib-Fehler").
// Owns nothing after it returns.
EntryInflation InflateEntry(const unsigned char* packed, uint32_t packedSize, QvWriter& out);

#endif
