#include "temp_folder.h"

#include <stddef.h>
#include <wchar.h>

#include <new>

namespace {

const char kFallbackTempFolder[] = "C:\\";
// Room for a path from the platform, terminator included (MAX_PATH).
const size_t kPlatformPathBuffer = 260;
const wchar_t kMachineTemp[] = L"Temp";
// The system's own temporary folder, where it has one, kept apart from the
// administrators' Temp.
const wchar_t kSystemTemp[] = L"SystemTemp";
const unsigned long kPathNotFound = 3;    // ERROR_PATH_NOT_FOUND
const unsigned long kBadPathName = 161;   // ERROR_BAD_PATHNAME

// Of the form letter, colon, backslash (not a network path, a relative one
// or an empty one), and within the platform's path buffer.
bool IsUsableTempFolder(const QvString& folder) {
    const char* text = folder;
    size_t length = static_cast<size_t>(folder.GetLength());
    return length >= 3 && length < kPlatformPathBuffer && text[1] == ':' && text[2] == '\\';
}

// folder\name\ as a new buffer.
std::unique_ptr<wchar_t[]> SubFolder(const wchar_t* folder, const wchar_t* name) {
    size_t length = wcslen(folder);
    bool separated = length > 0 && folder[length - 1] == L'\\';
    std::unique_ptr<wchar_t[]> path(new wchar_t[length + wcslen(name) + 3]);
    wcscpy(path.get(), folder);
    if (!separated) wcscat(path.get(), L"\\");
    wcscat(path.get(), name);
    wcscat(path.get(), L"\\");
    return path;
}

// An 8-bit text of wide for a report only: each character the code page
// cannot hold exactly stands as '?'.
QvString ReportedForm(const wchar_t* wide, const PathQueries& paths) {
    QvString text;
    wchar_t one[2] = {L'\0', L'\0'};
    for (; *wide != L'\0'; ++wide) {
        one[0] = *wide;
        QvString exact;
        text += paths.ExactAnsi(one, &exact) ? exact : QvString("?");
    }
    return text;
}

TempFolderChoice UserTempFolder(const PathQueries& paths) {
    TempFolderChoice choice;
    choice.usable = true;
    std::unique_ptr<wchar_t[]> reported = paths.TempFolder();
    if (reported && FirstExactForm(reported.get(), paths, IsUsableTempFolder, &choice.folder)) return choice;
    choice.folder = kFallbackTempFolder;
    return choice;
}

TempFolderChoice MachineTempFolder(const PathQueries& paths, RunAccount account) {
    TempFolderChoice choice;
    std::unique_ptr<wchar_t[]> windows = paths.WindowsFolder(&choice.error);
    if (!windows) return choice;
    std::unique_ptr<wchar_t[]> folder;
    if (account == RunAccount::System) {
        folder = SubFolder(windows.get(), kSystemTemp);
        if (!paths.IsFolder(folder.get())) folder.reset();
    }
    if (!folder) folder = SubFolder(windows.get(), kMachineTemp);
    if (!paths.IsFolder(folder.get())) {
        choice.error = kPathNotFound;
    } else if (FirstExactForm(folder.get(), paths, IsUsableTempFolder, &choice.folder)) {
        choice.usable = true;
        return choice;
    } else {
        choice.error = kBadPathName;
    }
    choice.folder = ReportedForm(folder.get(), paths);
    return choice;
}

}  // namespace

TempFolderChoice ChooseTempFolder(const PathQueries& paths, RunAccount account) {
    return IsElevated(account) ? MachineTempFolder(paths, account) : UserTempFolder(paths);
}
