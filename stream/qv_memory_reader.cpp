#include "qv_memory_reader.h"

#include <string.h>

QvMemoryReader::QvMemoryReader(const void* data, uint32_t size)
    : data(static_cast<const unsigned char*>(data)), remaining(size) {}

uint32_t QvMemoryReader::Read(void* buffer, uint32_t count) {
    uint32_t n = count < remaining ? count : remaining;
    if (n != 0) memcpy(buffer, data, n);
    data += n;
    remaining -= n;
    return n;
}
