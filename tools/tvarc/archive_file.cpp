#include "archive_file.h"

#include "entry_name.h"
#include "tool_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

ArchiveFile::ArchiveFile(const std::string& path) : path_(path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) throw ToolError("cannot open " + path + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode)) throw ToolError(path + " is a folder, not an archive");
    // Every offset in an archive is 32 bits wide.
    if (static_cast<uint64_t>(info.st_size) > 0xFFFFFFFFu) throw ToolError(path + " is 4 GB or larger: not an archive");

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw ToolError("cannot open " + path + ": " + std::strerror(errno));
    unsigned char chunk[64 * 1024];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) != 0) {
        bytes_.insert(bytes_.end(), chunk, chunk + got);
        if (bytes_.size() > 0xFFFFFFFFu) break;
    }
    bool failed = std::ferror(file) != 0;
    int error = errno;
    std::fclose(file);
    if (failed) throw ToolError("cannot read " + path + ": " + std::strerror(error));
    if (bytes_.size() > 0xFFFFFFFFu) throw ToolError(path + " is 4 GB or larger: not an archive");
}

std::string ArchiveFile::DescribeFault(const ArchiveCheck& check) const {
    std::string text = ArchiveFaultText(check.fault);
    if (check.fault == ArchiveFault::TooShort || check.fault == ArchiveFault::DirectoryOutside) return text;
    std::string where = "entry " + std::to_string(check.entryIndex);
    // The check stopped at this record, so it and every record before it lie
    // inside the archive unless the record itself is the fault; the walker
    // guards its reads anyway.
    if (check.fault != ArchiveFault::RecordOutside) {
        ArchiveWalker walker(Data(), Size());
        ArchiveEntry entry;
        while (walker.Next(entry)) {
            if (entry.index != check.entryIndex) continue;
            std::string name(entry.name, entry.nameLength);
            where += " '" + Printable(name) + "': ";
            // The same rule as the launcher's, in the tool's own words.
            if (check.fault == ArchiveFault::UnsafeName) return where + "name: " + NameProblem(name);
            return where + text;
        }
    }
    return where + ": " + text;
}

void ArchiveFile::RequireReadable() const {
    ArchiveCheck check = Check();
    if (check.fault != ArchiveFault::None) throw ToolError(path_ + ": " + DescribeFault(check));
}

ArchiveHeader ArchiveFile::Header() const {
    ArchiveHeader header{0, 0};
    ReadArchiveHeader(Data(), Size(), &header);
    return header;
}

std::vector<ArchiveEntry> ArchiveFile::Directory() const {
    std::vector<ArchiveEntry> records;
    ArchiveWalker walker(Data(), Size());
    records.reserve(walker.EntryCount());
    ArchiveEntry entry;
    while (walker.Next(entry)) records.push_back(entry);
    return records;
}
