#include "list.h"

#include "entry_name.h"

#include <cstdio>

void List(const ArchiveFile& archive, std::ostream& out) {
    archive.RequireReadable();
    for (const ArchiveEntry& record : archive.Directory()) {
        char sizes[32];
        std::snprintf(sizes, sizeof sizes, "%10u %10u  ", record.packedSize, record.unpackedSize);
        out << sizes << Printable(record.name) << '\n';
    }
}
