#include "ansi_path.h"

namespace {

bool AnyPath(const QvString&) { return true; }

}  // namespace

bool FirstExactForm(const wchar_t* path, const PathQueries& paths, bool (*accept)(const QvString&),
                    QvString* ansi) {
    if (paths.ExactAnsi(path, ansi) && accept(*ansi)) return true;
    std::unique_ptr<wchar_t[]> shortForm = paths.ShortForm(path);
    return shortForm && paths.ExactAnsi(shortForm.get(), ansi) && accept(*ansi);
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
