#include "entry_name.h"

#include "entry_name_rule.h"

#include <cstdio>
#include <cstring>

namespace {

std::string Hex(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

}  // namespace

std::string FoldCase(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string NameProblem(const std::string& name) {
    EntryNameCheck check = CheckEntryName(name.data(), name.size());
    std::string where = " at byte " + std::to_string(check.at);
    std::string component = name.substr(check.at, check.length);
    unsigned char c = check.at < name.size() ? static_cast<unsigned char>(name[check.at]) : 0;
    switch (check.fault) {
        case EntryNameFault::None:
            if (name.size() <= kMaxPortableNameLength) return {};
            return "longer than " + std::to_string(kMaxPortableNameLength) + " bytes (" + std::to_string(name.size()) +
                   "): below a usual temporary folder the path would pass the " + std::to_string(kLongestTargetPath) +
                   " characters Windows opens";
        case EntryNameFault::Empty: return "empty name";
        case EntryNameFault::TooLong:
            return "longer than " + std::to_string(kMaxEntryNameLength) + " bytes (" + std::to_string(name.size()) + ")";
        case EntryNameFault::NotAscii: return "not ASCII (" + Hex(c) + where + ")";
        case EntryNameFault::ControlCharacter: return "control character " + Hex(c) + where;
        case EntryNameFault::ForwardSlash: return "forward slash" + where + " (folders are separated by backslashes)";
        case EntryNameFault::ReservedCharacter:
            return std::string("character '") + static_cast<char>(c) + "'" + where + " is not allowed in Windows file names";
        case EntryNameFault::TooDeep: return "more than " + std::to_string(kMaxEntryFolderLevels) + " folder levels";
        case EntryNameFault::EmptyComponent: return "empty folder component (leading, trailing or doubled backslash)";
        case EntryNameFault::DotComponent: return "'" + component + "' component";
        case EntryNameFault::TrailingDotOrBlank: return "component '" + component + "' ends in a dot or space";
        case EntryNameFault::DeviceName: return "'" + component + "' is a device name on Windows";
    }
    return "breaks the entry name rule";
}

std::string Printable(const std::string& name) {
    std::string shown;
    for (unsigned char c : name) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            shown += escape;
        }
    }
    return shown;
}

std::string NameCollisions::Add(const std::string& name) {
    std::string folded = FoldCase(name);
    auto same = files_.find(folded);
    if (same != files_.end()) {
        if (same->second == name) return "name appears twice";
        return "same file as '" + Printable(same->second) + "' (Windows file names ignore case)";
    }
    auto below = folders_.find(folded);
    if (below != folders_.end()) return "also the folder of '" + Printable(below->second) + "'";

    for (size_t slash = folded.find('\\'); slash != std::string::npos; slash = folded.find('\\', slash + 1)) {
        std::string folder = folded.substr(0, slash);
        auto file = files_.find(folder);
        if (file != files_.end()) return "its folder is the file '" + Printable(file->second) + "'";
    }
    files_.emplace(folded, name);
    for (size_t slash = folded.find('\\'); slash != std::string::npos; slash = folded.find('\\', slash + 1))
        folders_.emplace(folded.substr(0, slash), name);
    return {};
}
