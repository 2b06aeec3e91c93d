// Copies of the real launcher that carry a large generated payload in place
// of the demo's BASE archive, made at test time: many small files, or a few
// large ones. Everything else of the launcher (the other archives, among
// them SETUPBASE with the demo next stage) stays as built, and the header
// checksum is made right again, so that the copy runs like a downloaded
// launcher of that size. The payloads are too large for the repository and
// take seconds to make, so copies are kept in a folder of the build and
// made again only when the launcher or the payload's shape changed.
#ifndef TESSAROVEN_TESTS_E2E_LARGE_PAYLOAD_H
#define TESSAROVEN_TESTS_E2E_LARGE_PAYLOAD_H

#include <stdint.h>

#include <string>
#include <vector>

#include "archive_builder.h"

// What the generated BASE holds.
struct LargePayload {
    enum Shape { ManySmallFiles, FewLargeFiles };
    Shape shape = ManySmallFiles;
    unsigned long count = 0;  // ManySmallFiles: how many files; FewLargeFiles: megabytes in all
};

// One file of a generated payload: its name in the archive ('\' between
// folders), its size, and the seed its bytes grow from.
struct GeneratedFile {
    std::string name;
    uint32_t size = 0;
    uint32_t seed = 0;
};

// Returns the files of the payload in the archive tool's order (byte order
// of the names): a few hundred bytes to 4 KB each spread over at most 100
// folders, or kLargeFileCount files sharing the megabytes. Every name keeps
// the archive name rule (two folder levels, plain ASCII).
std::vector<GeneratedFile> GeneratedFiles(const LargePayload& payload);
const unsigned kLargeFileCount = 4;

// Returns the bytes of one generated file: text that deflates to a little
// under half, so that inflating and writing it are real work.
std::string GeneratedContent(const GeneratedFile& file);

// Returns the archive holding the files, packed at zlib's fastest level.
Bytes BuildGeneratedArchive(const std::vector<GeneratedFile>& files);

// Writes to path a copy of the launcher file whose TVArc BASE resource (in
// its language) holds archive, with the header checksum the launcher checks
// itself against. The copy is made beside path and renamed onto it, so path
// holds either its old bytes or the whole copy. Returns an empty text, or
// why it failed.
std::string WriteLauncherWithBase(const std::string& launcher, const Bytes& archive, const std::string& path);

// Returns the path of a copy of the launcher carrying the payload, kept in
// folder (created when missing) and made only when the launcher's bytes or
// the payload differ from what made the kept one (*made tells which).
// Returns an empty text and sets *error when it cannot be made. The caller
// owns the file; it stays for the next run.
std::string LauncherWithLargePayload(const std::string& launcher, const LargePayload& payload,
                                     const std::string& folder, bool* made, std::string* error);

// How the files of the payload unpacked into work (ending in a backslash)
// differ from what was generated: the first missing file or file with other
// bytes; empty when every one is there, byte for byte.
std::string GeneratedDifference(const std::string& work, const std::vector<GeneratedFile>& files);

// A short text for reports, such as "20000 small files, 43.1 MB".
std::string Describe(const LargePayload& payload, const std::vector<GeneratedFile>& files);

#endif
