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
    std::vector<std::string> requiredNames;  // top-level entries the archive must have (case ignored)
};

// Writes the archive, replacing output only when every file could be
// packed; returns the number of entries. Throws ToolError naming every file
// that cannot be packed, or the first input/output error.
size_t Pack(const PackOptions& options);

// Writes to options.output the key of the archive Pack would write: the
// entries' names, sizes and SHA-256 sums, and the times they would get.
// Leaves the file untouched when it already holds that key, so that a build
// repacks exactly when what it packs changed, whatever the files' times say.
// Refuses what Pack refuses. Returns whether the key file changed.
bool WriteKey(const PackOptions& options);

#endif
