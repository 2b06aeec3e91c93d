// Fuzz target: any bytes as an archive resource. The check must refuse
// what the walk cannot read safely, and the walk and the inflation of every
// entry must stay inside the bytes and end cleanly, whatever they hold. The
// archive tool's verify runs on the same bytes and must stay inside them
// too; what it passes, the launcher's inflation must unpack in full.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "archive_file.h"
#include "archive_format.h"
#include "qv_inflate.h"
#include "qv_memory_reader.h"
#include "qv_stream_exception.h"
#include "verify.h"

#include <zlib.h>

namespace {

// Counts what an entry inflates to, keeping nothing.
struct CountingWriter : QvWriter {
    uint32_t total = 0;
    uint32_t Write(const void* buffer, uint32_t count) override {
        // Touch every byte so the sanitizer sees reads of uninitialised output.
        const unsigned char* p = static_cast<const unsigned char*>(buffer);
        unsigned sum = 0;
        for (uint32_t i = 0; i < count; ++i) sum += p[i];
        total += count + (sum & 0);
        return count;
    }
};

// Inflating bombs are harmless but slow; a cap keeps each run short.
const uint32_t kOutputCap = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    // A copy of exactly the input's size, so reads past the end are caught.
    uint32_t n = static_cast<uint32_t>(size);
    unsigned char* archive = new unsigned char[n != 0 ? n : 1];
    if (n != 0) memcpy(archive, data, n);

    // The sizes the directory claims, and whether every entry inflated
    // completely to its claim.
    uint64_t claimed = 0;
    bool allUnpacked = true;
    ArchiveCheck check = CheckArchive(archive, n);
    if (check.fault == ArchiveFault::None) {
        ArchiveWalker walker(archive, n);
        ArchiveEntry entry;
        uint32_t seen = 0;
        while (walker.Next(entry)) {
            ++seen;
            if (!IsSafeEntryName(entry.name, entry.nameLength)) __builtin_trap();
            if (static_cast<uint64_t>(entry.dataOffset) + entry.packedSize > n) __builtin_trap();
            claimed += entry.unpackedSize;
            QvMemoryReader reader(walker.PackedData(entry), entry.packedSize);
            CountingWriter writer;
            QvInflatingConverter converter;
            try {
                // One byte past the cap, so that a stream of exactly the cap reaches its end.
                converter.Transfer(writer, reader, kOutputCap + 1);
                allUnpacked = allUnpacked && converter.EndResult() == Z_STREAM_END && writer.total == entry.unpackedSize;
            } catch (const QvStreamException&) {
                // zlib refusing to start is a reported failure, not a fault.
                allUnpacked = false;
            }
        }
        if (seen != walker.EntryCount()) __builtin_trap();  // a checked archive walks to its end
    }
    delete[] archive;

    // The tool inflates each entry up to its claim, so large claims only cost time.
    if (claimed <= kOutputCap) {
        VerifyReport report = Verify(ArchiveFile("fuzz input", std::vector<unsigned char>(data, data + size)));
        if (report.problems.empty() && (check.fault != ArchiveFault::None || !allUnpacked)) __builtin_trap();
    }
    return 0;
}
