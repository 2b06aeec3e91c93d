// The launcher's own version, as its version resource states it, for the
// log: which build a deployment ran is the first thing to know about it.
#ifndef TESSAROVEN_LAUNCHER_VERSION_H
#define TESSAROVEN_LAUNCHER_VERSION_H

#include <stddef.h>

// The file version of a version resource's bytes (block, size bytes): the
// fixed part's four 16-bit parts in *parts, most significant first; false
// when the block holds no complete fixed part. Portable.
bool FileVersionOf(const unsigned char* block, size_t size, unsigned parts[4]);

// Windows: the file version of module's version resource in *parts; false
// when it has none or it cannot be read.
bool ModuleFileVersion(void* module, unsigned parts[4]);

#endif
