#include "pack.h"

#include "entry_name.h"
#include "sha256.h"
#include "tool_error.h"
#include "zlib_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kLargest32 = 0xFFFFFFFFu;

struct PackInput {
    std::string name;  // archive name
    std::string path;  // file on disk, also how messages name it
    uint32_t creationTime;
    uint32_t writeTime;
    uint32_t accessTime;
};

uint32_t ArchiveTime(time_t seconds) {
    if (seconds < 0) return 0;
    if (static_cast<uint64_t>(seconds) > kLargest32) return static_cast<uint32_t>(kLargest32);
    return static_cast<uint32_t>(seconds);
}

// A fixed time for every entry when the build asks for reproducible output.
std::optional<uint32_t> SourceDateEpoch() {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    if (value == nullptr || *value == '\0') return std::nullopt;
    uint64_t seconds = 0;
    for (const char* p = value; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || seconds > kLargest32)
            throw ToolError(std::string("SOURCE_DATE_EPOCH is not a number of seconds from 0 to 4294967295: '") + value + "'");
        seconds = seconds * 10 + static_cast<uint64_t>(*p - '0');
    }
    if (seconds > kLargest32)
        throw ToolError(std::string("SOURCE_DATE_EPOCH is not a number of seconds from 0 to 4294967295: '") + value + "'");
    return static_cast<uint32_t>(seconds);
}

class InputCollector {
public:
    explicit InputCollector(std::optional<uint32_t> fixedTime) : fixedTime_(fixedTime) {}

    void AddFolder(const std::string& folder, const std::vector<std::string>& ignoredNames);
    void AddExtra(const ExtraFile& extra);
    // Sorts the inputs and rejects names that would land on the same file,
    // and a folder without a required top-level name.
    std::vector<PackInput> Finish(const std::string& folder, const std::vector<std::string>& requiredNames);
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    void Refuse(const std::string& path, const std::string& why) {
        problems_.push_back("cannot pack " + Printable(path) + ": " + why);
    }
    // Adds the regular file described by info under name, or refuses it.
    void AddFile(const std::string& name, const std::string& path, const struct stat& info);

    std::optional<uint32_t> fixedTime_;
    std::vector<PackInput> inputs_;
    std::vector<std::string> problems_;
};

void InputCollector::AddFile(const std::string& name, const std::string& path, const struct stat& info) {
    std::string problem = NameProblem(name);
    if (!problem.empty()) return Refuse(path, "name '" + Printable(name) + "': " + problem);
    if (static_cast<uint64_t>(info.st_size) > kLargest32) return Refuse(path, "file is 4 GB or larger");
    PackInput input{name, path, 0, 0, 0};
    if (fixedTime_) {
        input.creationTime = input.writeTime = input.accessTime = *fixedTime_;
    } else {
        // Linux keeps no creation time in stat; the write time stands in for it.
        input.writeTime = ArchiveTime(info.st_mtime);
        input.creationTime = input.writeTime;
        // A file system mounted with relatime or noatime can report an access
        // before the last write, which an archive never holds.
        input.accessTime = std::max(ArchiveTime(info.st_atime), input.writeTime);
    }
    inputs_.push_back(input);
}

void InputCollector::AddFolder(const std::string& folder, const std::vector<std::string>& ignoredNames) {
    std::error_code error;
    fs::path root(folder);
    if (!fs::is_directory(root, error)) throw ToolError("cannot pack " + folder + ": not a folder");
    fs::recursive_directory_iterator it(root, fs::directory_options::none, error);
    if (error) throw ToolError("cannot read folder " + folder + ": " + error.message());
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) break;
        const fs::path& path = it->path();
        std::string shown = path.string();
        struct stat info;
        if (lstat(shown.c_str(), &info) != 0) {
            Refuse(shown, std::strerror(errno));
            continue;
        }
        // Folders carry no entry of their own; the walk descends into them
        // but not through symbolic links.
        if (S_ISDIR(info.st_mode)) continue;
        if (std::find(ignoredNames.begin(), ignoredNames.end(), path.filename().string()) != ignoredNames.end()) continue;
        if (S_ISLNK(info.st_mode)) {
            Refuse(shown, "symbolic link");
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            Refuse(shown, "not a regular file");
            continue;
        }
        std::string name;
        bool carried = true;
        for (const fs::path& part : path.lexically_relative(root)) {
            std::string component = part.string();
            // Inside a component a backslash would turn into a folder separator.
            if (component.find('\\') != std::string::npos) {
                Refuse(shown, "'" + Printable(component) + "' contains a backslash");
                carried = false;
                break;
            }
            if (!name.empty()) name += '\\';
            name += component;
        }
        if (carried) AddFile(name, shown, info);
    }
    if (error) throw ToolError("cannot read folder " + folder + ": " + error.message());
}

void InputCollector::AddExtra(const ExtraFile& extra) {
    std::string name = extra.name;
    std::replace(name.begin(), name.end(), '/', '\\');
    struct stat info;
    // The build names these files itself, so a link to a file is taken as the file.
    if (stat(extra.path.c_str(), &info) != 0) return Refuse(extra.path, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return Refuse(extra.path, "not a regular file");
    AddFile(name, extra.path, info);
}

std::vector<PackInput> InputCollector::Finish(const std::string& folder, const std::vector<std::string>& requiredNames) {
    // Byte-wise order by name: the same files give the same archive.
    std::sort(inputs_.begin(), inputs_.end(), [](const PackInput& a, const PackInput& b) { return a.name < b.name; });
    NameCollisions collisions;
    for (const PackInput& input : inputs_) {
        std::string problem = collisions.Add(input.name);
        if (!problem.empty()) Refuse(input.path, "name '" + Printable(input.name) + "': " + problem);
    }
    std::string missing;
    for (const std::string& required : requiredNames) {
        // Windows finds a program whatever the case of its name.
        bool found = std::any_of(inputs_.begin(), inputs_.end(),
                                 [&](const PackInput& input) { return FoldCase(input.name) == FoldCase(required); });
        if (!found) missing += (missing.empty() ? "" : ", ") + Printable(required);
    }
    if (!missing.empty()) Refuse(folder, "lacks " + missing + " at its top level");
    return inputs_;
}

// True when path lies inside folder (both existing or not, compared after
// resolving what exists).
bool IsInside(const fs::path& path, const fs::path& folder) {
    std::error_code error;
    fs::path p = fs::weakly_canonical(fs::absolute(path, error), error);
    fs::path f = fs::weakly_canonical(fs::absolute(folder, error), error);
    if (error) return false;
    auto pi = p.begin();
    for (auto fi = f.begin(); fi != f.end(); ++fi, ++pi) {
        if (fi->empty()) continue;  // the empty element after a trailing separator
        if (pi == p.end() || *pi != *fi) return false;
    }
    return true;
}

void AppendLe32(std::vector<unsigned char>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

// The archive is written under a temporary name and renamed into place, so
// that a failed run never leaves a partial archive where the build expects one.
class OutputFile {
public:
    explicit OutputFile(const std::string& path) : path_(path), temporary_(path + ".part") {
        // Whatever has that name is replaced, never written through: a link
        // planted there (symbolic or hard) would carry the archive elsewhere.
        // A run that was killed leaves its file behind; it goes the same way.
        if (unlink(temporary_.c_str()) != 0 && errno != ENOENT)
            throw ToolError("cannot create " + path_ + ": cannot remove " + temporary_ + ": " + std::strerror(errno));
        int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) throw ToolError("cannot create " + path_ + ": " + temporary_ + ": " + std::strerror(errno));
        file_ = fdopen(fd, "wb");
        if (file_ == nullptr) {
            int error = errno;
            close(fd);
            std::remove(temporary_.c_str());
            throw ToolError("cannot create " + path_ + ": " + std::strerror(error));
        }
    }
    ~OutputFile() {
        if (file_ != nullptr) std::fclose(file_);
        if (!committed_) std::remove(temporary_.c_str());
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* Stream() const { return file_; }
    const std::string& Name() const { return path_; }

    void Write(const unsigned char* data, size_t size) {
        if (std::fwrite(data, 1, size, file_) != size) throw ToolError("cannot write " + path_ + ": " + std::strerror(errno));
    }
    void WriteAt(long offset, const unsigned char* data, size_t size) {
        if (std::fseek(file_, offset, SEEK_SET) != 0) throw ToolError("cannot write " + path_ + ": " + std::strerror(errno));
        Write(data, size);
    }
    void Commit() {
        int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0) throw ToolError("cannot write " + path_ + ": " + std::strerror(errno));
        if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
            throw ToolError("cannot create " + path_ + ": " + std::strerror(errno));
        committed_ = true;
    }

private:
    std::string path_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

void WriteArchive(const std::vector<PackInput>& inputs, const std::string& output) {
    OutputFile out(output);
    // The directory offset is known only at the end; its place is kept free.
    const unsigned char placeholder[4] = {0, 0, 0, 0};
    out.Write(placeholder, sizeof placeholder);

    uint64_t offset = sizeof placeholder;
    std::vector<unsigned char> directory;
    AppendLe32(directory, static_cast<uint32_t>(inputs.size()));
    for (const PackInput& input : inputs) {
        std::FILE* in = std::fopen(input.path.c_str(), "rb");
        if (in == nullptr) throw ToolError("cannot open " + input.path + ": " + std::strerror(errno));
        DeflateResult packed;
        try {
            packed = WriteZlibStream(in, input.path, out.Stream(), output);
        } catch (...) {
            std::fclose(in);
            throw;
        }
        std::fclose(in);
        // The file may have grown since it was listed.
        if (packed.unpackedSize > kLargest32) throw ToolError("cannot pack " + input.path + ": file is 4 GB or larger");
        if (offset + packed.packedSize > kLargest32) throw ToolError("cannot pack " + output + ": the archive would be 4 GB or larger");

        directory.push_back(static_cast<unsigned char>(input.name.size()));
        directory.insert(directory.end(), input.name.begin(), input.name.end());
        AppendLe32(directory, static_cast<uint32_t>(offset));
        AppendLe32(directory, static_cast<uint32_t>(packed.packedSize));
        AppendLe32(directory, static_cast<uint32_t>(packed.unpackedSize));
        AppendLe32(directory, input.creationTime);
        AppendLe32(directory, input.writeTime);
        AppendLe32(directory, input.accessTime);
        offset += packed.packedSize;
    }
    if (offset + directory.size() > kLargest32) throw ToolError("cannot pack " + output + ": the archive would be 4 GB or larger");
    out.Write(directory.data(), directory.size());

    std::vector<unsigned char> directoryOffset;
    AppendLe32(directoryOffset, static_cast<uint32_t>(offset));
    out.WriteAt(0, directoryOffset.data(), directoryOffset.size());
    out.Commit();
}

// The files options name, checked and in archive order; throws ToolError
// naming every file that cannot be packed.
std::vector<PackInput> CollectInputs(const PackOptions& options, std::optional<uint32_t> fixedTime) {
    if (IsInside(options.output, options.folder))
        throw ToolError("cannot pack " + options.folder + " into " + options.output + ": the output would lie inside the folder it packs");
    InputCollector collector(fixedTime);
    collector.AddFolder(options.folder, options.ignoredNames);
    for (const ExtraFile& extra : options.extraFiles) collector.AddExtra(extra);
    std::vector<PackInput> inputs = collector.Finish(options.folder, options.requiredNames);
    if (!collector.Problems().empty()) {
        std::string message;
        for (const std::string& problem : collector.Problems()) message += (message.empty() ? "" : "\n") + problem;
        throw ToolError(message);
    }
    return inputs;
}

std::string HashFile(const PackInput& input, uint64_t* size) {
    std::FILE* in = std::fopen(input.path.c_str(), "rb");
    if (in == nullptr) throw ToolError("cannot open " + input.path + ": " + std::strerror(errno));
    Sha256 sum;
    std::vector<unsigned char> chunk(64 * 1024);
    *size = 0;
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) != 0) {
        sum.Add(chunk.data(), got);
        *size += got;
    }
    bool failed = std::ferror(in) != 0;
    int error = errno;
    std::fclose(in);
    if (failed) throw ToolError("cannot read " + input.path + ": " + std::strerror(error));
    return sum.HexDigest();
}

}  // namespace

size_t Pack(const PackOptions& options) {
    std::vector<PackInput> inputs = CollectInputs(options, SourceDateEpoch());
    WriteArchive(inputs, options.output);
    return inputs.size();
}

bool WriteKey(const PackOptions& options) {
    std::optional<uint32_t> fixedTime = SourceDateEpoch();
    std::vector<PackInput> inputs = CollectInputs(options, fixedTime);
    // The times an entry gets are part of the archive; the access time is
    // left out, as reading the files to sum them moves it.
    std::string key = "tvarc key 1\nentry times: " + (fixedTime ? std::to_string(*fixedTime) : std::string("the files' own")) + "\n";
    for (const PackInput& input : inputs) {
        uint64_t size = 0;
        std::string sum = HashFile(input, &size);
        key += sum + " " + std::to_string(size) + (fixedTime ? std::string() : " " + std::to_string(input.writeTime)) + " " +
               input.name + "\n";
    }
    std::FILE* old = std::fopen(options.output.c_str(), "rb");
    if (old != nullptr) {
        std::string current(key.size() + 1, '\0');
        size_t got = std::fread(&current[0], 1, current.size(), old);
        std::fclose(old);
        if (got == key.size() && current.compare(0, got, key) == 0) return false;
    }
    OutputFile out(options.output);
    out.Write(reinterpret_cast<const unsigned char*>(key.data()), key.size());
    out.Commit();
    return true;
}
