#include "inflate_entry.h"

#include <memory>

#include <zlib.h>

#include "qv_inflate.h"
#include "qv_memory_reader.h"

EntryInflation InflateEntry(const unsigned char* packed, uint32_t packedSize, QvWriter& out) {
    // Deleted in reverse: the converter first, then the reader it read from.
    std::unique_ptr<QvMemoryReader> reader(new QvMemoryReader(packed, packedSize));
    std::unique_ptr<QvInflatingConverter> converter(new QvInflatingConverter);
    converter->Transfer(out, *reader, 0);
    EntryInflation result;
    result.zlibResult = converter->EndResult();
    result.complete = result.zlibResult == Z_STREAM_END;
    result.zlibMessage = converter->EndMessage();
    result.unusedBytes = result.complete ? converter->UnusedInput() + reader->Remaining() : 0;
    return result;
}
