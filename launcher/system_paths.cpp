#include "system_paths.h"

#include <new>

namespace {

// The longest path the wide file functions take, terminator included.
const DWORD kLongestPath = 32768;

// Null when there is no memory, or when count is past what any wide path
// needs (which also spares the array allocation its overflow check).
std::unique_ptr<wchar_t[]> WideBuffer(size_t count) {
    if (count > kLongestPath) return nullptr;
    return std::unique_ptr<wchar_t[]>(new (std::nothrow) wchar_t[count]);
}

// The same, but running out of memory throws std::bad_alloc: a folder
// the launcher could not look at for lack of memory is no reason to take
// another one.
std::unique_ptr<wchar_t[]> NeededWideBuffer(size_t count) {
    std::unique_ptr<wchar_t[]> buffer = WideBuffer(count);
    if (!buffer && count <= kLongestPath) throw std::bad_alloc();
    return buffer;
}

// Asks query (a function that takes a buffer and its size in characters
// and returns the length written, or the size needed when the buffer is too
// small, or 0 on failure) with a buffer of the size it asks for.
template <typename Query>
std::unique_ptr<wchar_t[]> AskSized(Query query) {
    DWORD needed = query(nullptr, 0);
    if (needed == 0 || needed > kLongestPath) return nullptr;
    std::unique_ptr<wchar_t[]> text = NeededWideBuffer(needed);
    DWORD got = query(text.get(), needed);
    // 0 is a failure; needed or more means the answer grew in between.
    return got > 0 && got < needed ? std::move(text) : nullptr;
}

bool SameText(const wchar_t* a, const wchar_t* b) {
    while (*a != L'\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

}  // namespace

const char* ReportedModuleName(HMODULE module) {
    static char name[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, name, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) name[0] = '\0';
    return name;
}

std::unique_ptr<wchar_t[]> ModuleFileName(HMODULE module, DWORD* error) {
    for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
        std::unique_ptr<wchar_t[]> name = WideBuffer(size);
        if (!name) {
            *error = ERROR_NOT_ENOUGH_MEMORY;
            return nullptr;
        }
        DWORD n = GetModuleFileNameW(module, name.get(), size);
        if (n == 0) {
            *error = GetLastError();
            return nullptr;
        }
        if (n < size) return name;
    }
    *error = ERROR_INSUFFICIENT_BUFFER;
    return nullptr;
}

std::unique_ptr<wchar_t[]> SystemPathQueries::TempFolder() const {
    return AskSized([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
}

std::unique_ptr<wchar_t[]> SystemPathQueries::LauncherFile(unsigned long* error) const {
    return ModuleFileName(module_, error);  // DWORD is unsigned long
}

bool SystemPathQueries::ExactAnsi(const wchar_t* text, QvString* ansi) const {
    // With UTF-8 as the ANSI code page every character has its counterpart;
    // that code page takes neither flag nor default character.
    bool utf8 = GetACP() == CP_UTF8;
    DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL replaced = FALSE;
    BOOL* usedDefault = utf8 ? nullptr : &replaced;
    int bytes = WideCharToMultiByte(CP_ACP, flags, text, -1, nullptr, 0, nullptr, usedDefault);
    if (bytes <= 0 || replaced) return false;
    char* out = ansi->GetBuffer(bytes);
    int written = WideCharToMultiByte(CP_ACP, flags, text, -1, out, bytes, nullptr, usedDefault);
    ansi->ReleaseBuffer(written == bytes ? bytes - 1 : 0);
    if (written != bytes || replaced) return false;
    // What comes back must be the same text: no character stood for another.
    int chars = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, *ansi, -1, nullptr, 0);
    std::unique_ptr<wchar_t[]> back = chars > 0 ? NeededWideBuffer(chars) : nullptr;
    return back && MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, *ansi, -1, back.get(), chars) == chars &&
           SameText(back.get(), text);
}

std::unique_ptr<wchar_t[]> SystemPathQueries::ShortForm(const wchar_t* path) const {
    return AskSized([path](wchar_t* buffer, DWORD size) { return GetShortPathNameW(path, buffer, size); });
}

std::unique_ptr<wchar_t[]> SystemPathQueries::WindowsFolder(unsigned long* error) const {
    std::unique_ptr<wchar_t[]> folder =
        AskSized([](wchar_t* buffer, DWORD size) { return GetSystemWindowsDirectoryW(buffer, size); });
    if (!folder) {
        DWORD last = GetLastError();
        *error = last != 0 ? last : ERROR_PATH_NOT_FOUND;
    }
    return folder;
}

bool SystemPathQueries::IsFolder(const wchar_t* path) const {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
