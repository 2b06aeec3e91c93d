#include "replace_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// The new file until it takes the old one's place; removed unless it did.
class NewFile {
public:
    explicit NewFile(const std::string& beside) {
        std::string pattern = beside + ".new-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd_ = mkstemp(name.data());  // created exclusively, never through a link
        if (fd_ < 0) Fail(beside, "cannot create a new file beside it");
        path_ = name.data();
    }
    ~NewFile() {
        if (fd_ >= 0) close(fd_);
        if (!path_.empty()) unlink(path_.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    void Write(const unsigned char* data, size_t length, mode_t mode) {
        if (fchmod(fd_, mode) != 0) Fail(path_, "cannot set its permissions");
        while (length != 0) {
            ssize_t written = write(fd_, data, length);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) Fail(path_, "cannot write");
            data += written;
            length -= static_cast<size_t>(written);
        }
        if (fsync(fd_) != 0) Fail(path_, "cannot write");
        int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) Fail(path_, "cannot write");
    }
    void Replace(const std::string& target) {
        if (rename(path_.c_str(), target.c_str()) != 0) Fail(target, "cannot replace it");
        path_.clear();
    }

    [[noreturn]] static void Fail(const std::string& path, const std::string& what) {
        int error = errno;
        throw FileReplaceError{path, what + (error != 0 ? std::string(": ") + strerror(error) : std::string())};
    }

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace

void ReplaceFile(const std::string& path, const unsigned char* data, size_t length) {
    errno = 0;
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) NewFile::Fail(path, "cannot find it");
    std::string target = resolved;
    free(resolved);
    struct stat info;
    if (stat(target.c_str(), &info) != 0) NewFile::Fail(target, "cannot find it");
    NewFile file(target);
    errno = 0;
    file.Write(data, length, info.st_mode & 07777);
    file.Replace(target);
}
