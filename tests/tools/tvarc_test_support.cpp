#include "tvarc_test_support.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string gToolPath;

namespace {

// A temporary file that receives one output stream of the tool.
class CaptureFile {
public:
    CaptureFile() {
        std::string pattern = (fs::temp_directory_path() / "tvarc-capture-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        int fd = mkstemp(name.data());
        if (fd < 0) throw std::runtime_error("cannot create a capture file");
        close(fd);
        path_ = name.data();
    }
    ~CaptureFile() { unlink(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

RunResult RunTool(const std::vector<std::string>& args, const char* sourceDateEpoch) {
    CaptureFile out, err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.Path().c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.Path().c_str(), O_WRONLY | O_TRUNC, 0);

    std::vector<std::string> arguments{gToolPath};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string(*e).rfind("SOURCE_DATE_EPOCH=", 0) != 0) environment.push_back(*e);
    if (sourceDateEpoch != nullptr) environment.push_back(std::string("SOURCE_DATE_EPOCH=") + sourceDateEpoch);
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid;
    int spawned = posix_spawn(&pid, gToolPath.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + gToolPath);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out.Path()), ReadFile(err.Path())};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::pair<std::string, std::string>> Tree(const fs::path& root) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files.emplace_back(entry.path().lexically_relative(root).generic_string(), ReadFile(entry.path()));
    std::sort(files.begin(), files.end());
    return files;
}

std::string MixedBytes(size_t size, uint32_t seed) {
    // Words drawn from a small vocabulary by a linear congruential generator.
    static const char* const words[] = {"tessera ", "oven ", "glaze ", "kiln ", "mosaic ", "\n", "12 ", "ochre ", "\x01\xFE"};
    std::string bytes;
    uint32_t state = seed;
    while (bytes.size() < size) {
        state = state * 1664525u + 1013904223u;
        bytes += words[(state >> 24) % (sizeof words / sizeof words[0])];
    }
    bytes.resize(size);
    return bytes;
}

uint32_t ArchiveBytes::Le32(size_t at) const {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes_.at(at + i));
    return value;
}

void ArchiveBytes::SetLe32(size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.at(at + i) = static_cast<char>(value >> (8 * i));
}

std::vector<Record> ArchiveBytes::Records() const {
    std::vector<Record> records;
    size_t cursor = DirectoryOffset();
    uint32_t count = Le32(cursor);
    cursor += 4;
    for (uint32_t i = 0; i < count; ++i) {
        Record r;
        r.at = cursor;
        size_t n = static_cast<unsigned char>(bytes_.at(cursor));
        r.name = bytes_.substr(cursor + 1, n);
        size_t fields = cursor + 1 + n;
        r.dataOffset = Le32(fields);
        r.packedSize = Le32(fields + 4);
        r.unpackedSize = Le32(fields + 8);
        r.creationTime = Le32(fields + 12);
        r.writeTime = Le32(fields + 16);
        r.accessTime = Le32(fields + 20);
        records.push_back(r);
        cursor = fields + 24;
    }
    return records;
}

Record ArchiveBytes::Find(const std::string& name) const {
    for (const Record& r : Records())
        if (r.name == name) return r;
    throw std::runtime_error("no entry " + name);
}

void ArchiveBytes::SetField(const std::string& name, Field field, uint32_t value) {
    Record r = Find(name);
    SetLe32(r.at + 1 + r.name.size() + static_cast<size_t>(field), value);
}

void ArchiveBytes::Rename(const std::string& name, const std::string& newName) {
    Record r = Find(name);
    if (newName.size() != name.size()) throw std::logic_error("a rename keeps the length");
    bytes_.replace(r.at + 1, name.size(), newName);
}

void ArchiveBytes::MoveData(size_t at, long delta) {
    std::vector<Record> records = Records();
    uint32_t directoryOffset = DirectoryOffset();
    // Data that start at or after the edited place (after the removed bytes) move.
    size_t firstMoved = delta > 0 ? at : at - static_cast<size_t>(delta);
    if (delta > 0)
        bytes_.insert(at, static_cast<size_t>(delta), '\0');
    else
        bytes_.erase(at, static_cast<size_t>(-delta));
    SetLe32(0, static_cast<uint32_t>(directoryOffset + delta));
    for (const Record& r : records) {
        size_t fields = r.at + delta + 1 + r.name.size();
        if (r.dataOffset >= firstMoved) SetLe32(fields, static_cast<uint32_t>(r.dataOffset + delta));
    }
}

void ArchiveBytes::InsertData(size_t at, const std::string& extra) {
    MoveData(at, static_cast<long>(extra.size()));
    bytes_.replace(at, extra.size(), extra);
}


void ArchiveBytes::ResizeEntry(const std::string& name, long delta) {
    Record r = Find(name);
    size_t end = static_cast<size_t>(r.dataOffset) + r.packedSize;
    if (delta > 0)
        InsertData(end, std::string(static_cast<size_t>(delta), '\x5A'));
    else
        MoveData(end - static_cast<size_t>(-delta), delta);
    SetField(name, Field::PackedSize, static_cast<uint32_t>(r.packedSize + delta));
}
