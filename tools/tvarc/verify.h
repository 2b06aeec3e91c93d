// Verifying: everything the archives in the launcher hold to, beyond the
// bounds the launcher's reader checks: the exact layout, one complete zlib
// stream per entry, portable unique names and consistent times.
#ifndef TESSAROVEN_TVARC_VERIFY_H
#define TESSAROVEN_TVARC_VERIFY_H

#include "archive_file.h"

#include <cstdint>
#include <string>
#include <vector>

struct VerifyReport {
    std::vector<std::string> problems;  // each names the entry and the rule it breaks
    uint32_t entries = 0;
    uint64_t packedBytes = 0;
    uint64_t unpackedBytes = 0;
};

// Checks archive; an empty problem list means it is valid.
VerifyReport Verify(const ArchiveFile& archive);

#endif
