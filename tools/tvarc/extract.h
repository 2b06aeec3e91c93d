// Extracting: every entry of an archive into a folder, as the launcher
// would, for inspecting what a build packed.
#ifndef TESSAROVEN_TVARC_EXTRACT_H
#define TESSAROVEN_TVARC_EXTRACT_H

#include "archive_file.h"

#include <string>

// Writes each entry below folder (created when missing), creating its
// sub-folders, and gives the file the entry's write and access times.
// Returns the number of files written; throws ToolError naming the entry on
// an unsafe name, a damaged stream or a failed write.
size_t Extract(const ArchiveFile& archive, const std::string& folder);

#endif
