// Listing: the directory of an archive, one entry a line.
#ifndef TESSAROVEN_TVARC_LIST_H
#define TESSAROVEN_TVARC_LIST_H

#include "archive_file.h"

#include <ostream>

// Writes "packedSize unpackedSize name" per entry in directory order; the
// sizes are fixed-width columns, so the name is the rest of the line.
// Throws ToolError when the launcher's reader would reject the archive.
void List(const ArchiveFile& archive, std::ostream& out);

#endif
