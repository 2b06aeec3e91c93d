// Fuzz target: any bytes as an executable for the image tool: the header
// checksum's field and sum, and the resource directory walk. The walk must
// stay inside the bytes, refuse what it cannot read with PeFormatError, and
// list only resources whose data lie inside the file, in bounded time.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "image_checksum.h"
#include "pe_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so reads past the end are caught.
    std::vector<unsigned char> file(data, data + size);

    ImageChecksumField field;
    if (FindImageChecksumField(file.data(), file.size(), &field)) {
        if (static_cast<uint64_t>(field.offset) + 4 > file.size()) __builtin_trap();
        ImageChecksum checksum(field.offset);
        checksum.Add(file.data(), file.size());
        (void)checksum.Value();
    }

    try {
        std::vector<PeResource> resources = ListPeResources(file.data(), file.size());
        // Tables never share bytes, so each resource has an entry of 8 bytes of its own.
        if (resources.size() > file.size() / 8) __builtin_trap();
        for (const PeResource& r : resources)
            if (static_cast<uint64_t>(r.fileOffset) + r.size > file.size()) __builtin_trap();
        FindPeResource(file.data(), file.size(), "TVArc", "BASE");
    } catch (const PeFormatError&) {
        // A refused image is a reported failure, not a fault.
    }
    return 0;
}
