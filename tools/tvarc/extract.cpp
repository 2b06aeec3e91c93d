#include "extract.h"

#include "entry_name.h"
#include "tool_error.h"
#include "zlib_stream.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string EntryText(const ArchiveFile& archive, const ArchiveEntry& record) {
    return archive.Path() + ": entry " + std::to_string(record.index) + " '" + Printable(record.name) + "'";
}

// Creates folder when it is missing. An existing symbolic link is refused:
// following it could put files outside the extraction folder.
void MakeFolder(const std::string& folder, const std::string& context) {
    struct stat info;
    if (lstat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return;
        throw ToolError(context + ": " + folder + " exists and is not a folder");
    }
    if (errno != ENOENT || mkdir(folder.c_str(), 0777) != 0)
        throw ToolError(context + ": cannot create folder " + folder + ": " + std::strerror(errno));
}

class OutputDescriptor {
public:
    OutputDescriptor(const std::string& path, const std::string& context) : path_(path) {
        // O_NOFOLLOW: a link planted where an entry goes is not written through.
        fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) throw ToolError(context + ": cannot create " + path + ": " + std::strerror(errno));
    }
    ~OutputDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
            unlink(path_.c_str());  // only a file that failed half-way is left open here
        }
    }
    OutputDescriptor(const OutputDescriptor&) = delete;
    OutputDescriptor& operator=(const OutputDescriptor&) = delete;

    void Write(const unsigned char* data, size_t size, const std::string& context) {
        while (size != 0) {
            ssize_t written = write(fd_, data, size);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) throw ToolError(context + ": cannot write " + path_ + ": " + std::strerror(errno));
            data += written;
            size -= static_cast<size_t>(written);
        }
    }
    void Finish(uint32_t accessTime, uint32_t writeTime, const std::string& context) {
        struct timespec times[2] = {{static_cast<time_t>(accessTime), 0}, {static_cast<time_t>(writeTime), 0}};
        if (futimens(fd_, times) != 0) throw ToolError(context + ": cannot set the times of " + path_ + ": " + std::strerror(errno));
        int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) {
            unlink(path_.c_str());
            throw ToolError(context + ": cannot write " + path_ + ": " + std::strerror(errno));
        }
    }

private:
    std::string path_;
    int fd_;
};

void ExtractEntry(const ArchiveFile& archive, const ArchiveEntry& record, const std::string& folder) {
    std::string context = EntryText(archive, record);
    const std::string name(record.name, record.nameLength);
    if (!IsSafeEntryName(name.data(), name.size()))
        throw ToolError(context + ": the name would leave the extraction folder or is not a plain relative path");

    std::string path = folder;
    size_t start = 0;
    for (size_t slash = name.find('\\'); slash != std::string::npos; slash = name.find('\\', start)) {
        path += '/' + name.substr(start, slash - start);
        MakeFolder(path, context);
        start = slash + 1;
    }
    path += '/' + name.substr(start);

    OutputDescriptor out(path, context);
    // The directory's size bounds what is written: a small stream can inflate
    // to gigabytes, and the disk must not pay for it before the comparison.
    InflateResult result = InflateZlibStream(archive.Data() + record.dataOffset, record.packedSize, record.unpackedSize,
                                             [&](const unsigned char* data, size_t size) { out.Write(data, size, context); });
    if (result.fault != StreamFault::None) throw ToolError(context + ": " + result.detail);
    if (result.unpackedSize != record.unpackedSize)
        throw ToolError(context + ": the stream inflates to " + std::to_string(result.unpackedSize) +
                        " bytes, the directory says " + std::to_string(record.unpackedSize));
    out.Finish(record.accessTime, record.writeTime, context);
}

}  // namespace

size_t Extract(const ArchiveFile& archive, const std::string& folder) {
    archive.RequireReadable();
    // The folder named on the command line may itself be a link; only what
    // lies below it must be real folders.
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder))
        throw ToolError("cannot extract " + archive.Path() + " into " + folder + ": " +
                        (error ? error.message() : std::string("not a folder")));
    std::vector<ArchiveEntry> records = archive.Directory();
    for (const ArchiveEntry& record : records) ExtractEntry(archive, record, folder);
    return records.size();
}
