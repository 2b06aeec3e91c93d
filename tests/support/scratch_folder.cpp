#include "scratch_folder.h"

#include <stdio.h>

#include "ansi_text.h"

namespace {

// In 16 bits, so that names the ANSI code page cannot hold go too.
void RemoveTreeWide(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeWide(child);
            else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

}  // namespace

void ScratchFolder::RemoveTree(const std::string& path) {
    std::wstring wide = Wide(path);
    // An empty path would name the current drive's root.
    if (!wide.empty()) RemoveTreeWide(wide);
}

ScratchFolder::ScratchFolder(const char* tag) {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n > 0 && temp[n - 1] == '\\') temp[n - 1] = '\0';
    char long_[MAX_PATH];
    // The platform reports the current directory in its long form; compare like with like.
    if (GetLongPathNameA(temp, long_, MAX_PATH) == 0) lstrcpyA(long_, temp);
    path_ = std::string(long_) + "\\" + tag + std::to_string(GetCurrentProcessId());
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool ScratchFolder::Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ScratchFolder::ReadAll(const std::string& path, bool* found) {
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (found != nullptr) *found = f != nullptr;
    if (f == nullptr) return "<missing>";
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
}

bool ScratchFolder::WriteAll(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && written;
}

std::string ScratchFolder::CurrentDirectory() {
    char buf[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, buf);
    return buf;
}
