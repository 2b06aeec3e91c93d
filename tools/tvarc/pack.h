// Packing: a folder (and any extra files) into one archive.
#ifndef TESSAROVEN_TVARC_PACK_H
#define TESSAROVEN_TVARC_PACK_H

#include <string>
#include <vector>

// A file from elsewhere that goes into the archive under a name of its own,
// such as a program the build has just produced.
struct ExtraFile {
    std::string name;  // archive name; '/' and '\' both separate folders
    std::string path;  // the file on disk
};

struct PackOptions {
    std::string folder;
    std::string output;
    std::vector<std::string> ignoredNames;  // file names skipped at any level of the folder
    std::vector<ExtraFile> extraFiles;
};

// Writes the archive, replacing output only when every file could be
// packed; returns the number of entries. Throws ToolError naming every file
// that cannot be packed, or the first input/output error.
size_t Pack(const PackOptions& options);

#endif
