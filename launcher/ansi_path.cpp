#include "ansi_path.h"

#include "start_inputs.h"

namespace {

const char kFallbackTempFolder[] = "C:\\";

bool AnyPath(const QvString&) { return true; }

bool UsableTempFolder(const QvString& folder) { return IsUsableTempFolder(folder, folder.GetLength()); }

// The first of path and its short form whose exact 8-bit form accept
// takes, in *ansi; false when neither is. The short form is asked for only
// when the path itself will not do, so that nothing changes for a path that
// converts exactly.
bool FirstExactForm(const wchar_t* path, const PathQueries& paths, bool (*accept)(const QvString&),
                    QvString* ansi) {
    if (paths.ExactAnsi(path, ansi) && accept(*ansi)) return true;
    std::unique_ptr<wchar_t[]> shortForm = paths.ShortForm(path);
    return shortForm && paths.ExactAnsi(shortForm.get(), ansi) && accept(*ansi);
}

}  // namespace

QvString ChooseTempFolder(const PathQueries& paths) {
    std::unique_ptr<wchar_t[]> reported = paths.TempFolder();
    QvString folder;
    if (reported && FirstExactForm(reported.get(), paths, UsableTempFolder, &folder)) return folder;
    return QvString(kFallbackTempFolder);
}

LauncherPath NameLauncherPath(const PathQueries& paths) {
    LauncherPath result;
    std::unique_ptr<wchar_t[]> file = paths.LauncherFile(&result.error);
    if (!file) return result;
    result.error = 0;
    result.state = FirstExactForm(file.get(), paths, AnyPath, &result.ansi) ? LauncherPathState::Named
                                                                           : LauncherPathState::Unnamable;
    if (result.state == LauncherPathState::Unnamable) result.ansi.Empty();
    return result;
}
