// Helpers for the tools' tests: running the tool, files on disk,
// and reading and patching archive bytes independently of the tool.
#ifndef TESSAROVEN_TESTS_TVARC_TEST_SUPPORT_H
#define TESSAROVEN_TESTS_TVARC_TEST_SUPPORT_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// The tool under test, from the command line.
extern std::string gToolPath;

struct RunResult {
    int exitCode;  // -1 when the tool did not exit normally
    std::string out;
    std::string err;
};

// Runs the tool with args; sourceDateEpoch, when set, goes into its
// environment, which otherwise has no SOURCE_DATE_EPOCH.
RunResult RunTool(const std::vector<std::string>& args, const char* sourceDateEpoch = nullptr);

void WriteFile(const fs::path& path, const std::string& bytes);
std::string ReadFile(const fs::path& path);
// Every regular file below root, by relative path with '/', with its bytes.
std::vector<std::pair<std::string, std::string>> Tree(const fs::path& root);

// Deterministic bytes that compress, but not to nothing.
std::string MixedBytes(size_t size, uint32_t seed);

// One directory record as found in the bytes.
struct Record {
    std::string name;
    size_t at;  // offset of the record's length byte
    uint32_t dataOffset, packedSize, unpackedSize, creationTime, writeTime, accessTime;
};

// Field offsets within a record, after the name.
enum class Field { DataOffset = 0, PackedSize = 4, UnpackedSize = 8, CreationTime = 12, WriteTime = 16, AccessTime = 20 };

// An archive's bytes with the edits the tests break it with.
class ArchiveBytes {
public:
    explicit ArchiveBytes(std::string bytes) : bytes_(std::move(bytes)) {}
    const std::string& Bytes() const { return bytes_; }

    uint32_t DirectoryOffset() const { return Le32(0); }
    std::vector<Record> Records() const;
    Record Find(const std::string& name) const;

    uint32_t Le32(size_t at) const;
    void SetLe32(size_t at, uint32_t value);
    void SetField(const std::string& name, Field field, uint32_t value);
    void SetByte(size_t at, unsigned char value) { bytes_.at(at) = static_cast<char>(value); }
    // Overwrites the name of one record with another of the same length.
    void Rename(const std::string& name, const std::string& newName);
    // Inserts bytes at a place in the data area and moves every later
    // entry's data and the directory with them.
    void InsertData(size_t at, const std::string& extra);
    // Adds delta bytes to the end of an entry's packed data (cuts them off
    // when negative) and changes its packed size to match.
    void ResizeEntry(const std::string& name, long delta);
    void Append(const std::string& extra) { bytes_ += extra; }
    void DropLast() { bytes_.pop_back(); }

private:
    // Inserts (delta > 0) or removes bytes at a place in the data area and
    // moves every later entry's data and the directory with them.
    void MoveData(size_t at, long delta);
    std::string bytes_;
};

#endif
