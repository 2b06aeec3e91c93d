// A reader over a block of read-only memory that it does not own.
#ifndef TESSAROVEN_QV_MEMORY_READER_H
#define TESSAROVEN_QV_MEMORY_READER_H

#include "qv_stream.h"

class QvMemoryReader : public QvReader {
public:
    // Reads the size bytes at data; data must outlive the reader.
    QvMemoryReader(const void* data, uint32_t size);
    virtual ~QvMemoryReader() = default;
    // Copies min(count, remaining) bytes; never throws.
    uint32_t Read(void* buffer, uint32_t count) override;
    // The bytes not read yet: what follows an entry's zlib stream, for the
    // archive tool's check (inflate_entry.h).
    uint32_t Remaining() const { return remaining; }

private:
    const unsigned char* data;
    uint32_t remaining;
};

#endif
