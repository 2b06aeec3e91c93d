// The platform's own answers about 16-bit paths, for the rules of ansi_path.h.
#ifndef TESSAROVEN_SYSTEM_PATHS_H
#define TESSAROVEN_SYSTEM_PATHS_H

#include <windows.h>

#include <memory>

#include "ansi_path.h"

// GetTempPathW, GetModuleFileNameW of one module, WideCharToMultiByte,
// GetShortPathNameW, GetSystemWindowsDirectoryW and GetFileAttributesW. The methods are virtual so that a test can replace
// one answer and keep the others. TempFolder, ExactAnsi and ShortForm throw
// std::bad_alloc when memory for an answer runs out.
class SystemPathQueries : public PathQueries {
public:
    // module: whose file LauncherFile reads; it must stay loaded.
    explicit SystemPathQueries(HMODULE module) : module_(module) {}
    virtual ~SystemPathQueries() = default;

    std::unique_ptr<wchar_t[]> TempFolder() const override;
    std::unique_ptr<wchar_t[]> LauncherFile(unsigned long* error) const override;
    // To the ANSI code page without best-fit look-alikes and without the
    // default character, and back to the same text.
    bool ExactAnsi(const wchar_t* text, QvString* ansi) const override;
    std::unique_ptr<wchar_t[]> ShortForm(const wchar_t* path) const override;
    std::unique_ptr<wchar_t[]> WindowsFolder(unsigned long* error) const override;
    bool IsFolder(const wchar_t* path) const override;

private:
    HMODULE module_;
};

// The full path of module's file, however long (up to the 32,767
// characters the wide functions take), in a buffer the caller owns; null,
// with the error code in *error (ERROR_NOT_ENOUGH_MEMORY when no buffer
// could be had), when it cannot be read.
std::unique_ptr<wchar_t[]> ModuleFileName(HMODULE module, DWORD* error);

// module's file as the 8-bit functions name it ('?' for what the code page
// lacks), for a report to show and nothing else; empty when even that
// cannot be read. Needs no memory: the text is a static buffer, valid until
// the next call.
const char* ReportedModuleName(HMODULE module);

#endif
