// A scratch folder under the temporary folder for tests that write files;
// everything below it is removed at the end.
#ifndef TESSAROVEN_TESTS_SCRATCH_FOLDER_H
#define TESSAROVEN_TESTS_SCRATCH_FOLDER_H

#include <windows.h>

#include <string>

class ScratchFolder {
public:
    explicit ScratchFolder(const char* tag);
    ~ScratchFolder();
    // The folder's full path, without trailing backslash.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

    static bool Exists(const std::string& path);
    // The file's bytes, or "<missing>" when it cannot be read; found, when
    // given, tells which.
    static std::string ReadAll(const std::string& path, bool* found = nullptr);
    // True when the file now holds exactly bytes.
    static bool WriteAll(const std::string& path, const std::string& bytes);
    static std::string CurrentDirectory();
    // Deletes path with everything below it, read-only files and names the
    // ANSI code page cannot hold included.
    static void RemoveTree(const std::string& path);

private:
    std::string path_;
};

#endif
