// The 8-bit paths the launcher works with and hands on, found from the
// platform's 16-bit ones. The 8-bit functions replace every character the
// ANSI code page lacks with '?', which names nothing; the rules here pick an
// 8-bit form that names the same place instead. Portable: the platform's
// answers come through PathQueries, so that the rules are tried natively
// and on answers no test machine gives. The temporary folder applies the
// same rule (temp_folder.h).
#ifndef TESSAROVEN_ANSI_PATH_H
#define TESSAROVEN_ANSI_PATH_H

#include <memory>

#include "qv_string.h"

// The platform's answers about 16-bit paths. Every wide text is
// zero-terminated; a returned buffer belongs to the caller.
class PathQueries {
public:
    // The process's temporary folder (GetTempPathW); null when the query fails.
    virtual std::unique_ptr<wchar_t[]> TempFolder() const = 0;
    // The full path of the launcher's own file (GetModuleFileNameW); null,
    // with the platform's error code in *error, when it cannot be read.
    virtual std::unique_ptr<wchar_t[]> LauncherFile(unsigned long* error) const = 0;
    // True with text in the ANSI code page in *ansi when every character
    // has its own counterpart there (none replaced, none by a look-alike);
    // false, *ansi unspecified, otherwise.
    virtual bool ExactAnsi(const wchar_t* text, QvString* ansi) const = 0;
    // The short (8.3) form of the existing path; null when there is none.
    virtual std::unique_ptr<wchar_t[]> ShortForm(const wchar_t* path) const = 0;
    // The system's Windows folder (GetSystemWindowsDirectoryW, never the
    // environment), without trailing backslash unless it is a drive's root;
    // null, with the platform's error code in *error, when it cannot be read.
    virtual std::unique_ptr<wchar_t[]> WindowsFolder(unsigned long* error) const = 0;
    // True when path names an existing folder.
    virtual bool IsFolder(const wchar_t* path) const = 0;

protected:
    ~PathQueries() = default;
};

// The first of path and its short form whose exact 8-bit form accept
// takes, in *ansi; false when neither is. The short form is asked for only
// when the path itself will not do, so that nothing changes for a path that
// converts exactly. Throws std::bad_alloc when memory runs out.
bool FirstExactForm(const wchar_t* path, const PathQueries& paths, bool (*accept)(const QvString&),
                    QvString* ansi);

// What became of the launcher's own path.
enum class LauncherPathState {
    Named,       // ansi names the launcher's file
    Unnamable,   // neither the path nor its short form has an exact 8-bit form
    Unreadable,  // the platform could not tell the path; error says why
};
struct LauncherPath {
    LauncherPathState state = LauncherPathState::Unreadable;
    QvString ansi;            // when Named: the path, else its short form
    unsigned long error = 0;  // when Unreadable: the platform's error code
};

// Reads the launcher's path once and finds its 8-bit form. Throws
// std::bad_alloc when memory runs out.
LauncherPath NameLauncherPath(const PathQueries& paths);

#endif
