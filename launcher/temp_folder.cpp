#include "temp_folder.h"

#include <stddef.h>

namespace {

const char kFallbackTempFolder[] = "C:\\";
// Room for a path from the platform, terminator included (MAX_PATH).
const size_t kPlatformPathBuffer = 260;

// Of the form letter, colon, backslash (not a network path, a relative one
// or an empty one), and within the platform's path buffer.
bool IsUsableTempFolder(const QvString& folder) {
    const char* text = folder;
    size_t length = static_cast<size_t>(folder.GetLength());
    return length >= 3 && length < kPlatformPathBuffer && text[1] == ':' && text[2] == '\\';
}

}  // namespace

QvString ChooseTempFolder(const PathQueries& paths) {
    std::unique_ptr<wchar_t[]> reported = paths.TempFolder();
    QvString folder;
    if (reported && FirstExactForm(reported.get(), paths, IsUsableTempFolder, &folder)) return folder;
    return QvString(kFallbackTempFolder);
}
