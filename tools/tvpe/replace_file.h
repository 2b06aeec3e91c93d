// Replacing a file's bytes so that a failure midway leaves it as it was:
// the release file is never half written.
#ifndef TESSAROVEN_REPLACE_FILE_H
#define TESSAROVEN_REPLACE_FILE_H

#include <stddef.h>

#include <string>

// Why a file could not be replaced: the file, and the system's reason.
struct FileReplaceError {
    std::string path;
    std::string reason;
};

// Writes the length bytes at data into a new file beside path and renames it
// over path, so that path holds either its old bytes or all of the new ones.
// A link at path keeps pointing at the replaced file; its permission bits
// stay. Throws FileReplaceError; leaves no new file behind then.
void ReplaceFile(const std::string& path, const unsigned char* data, size_t length);

#endif
