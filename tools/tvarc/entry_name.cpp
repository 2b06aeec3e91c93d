#include "entry_name.h"

#include "archive_format.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::string Hex(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

std::string FoldCase(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::vector<std::string> Components(const std::string& name) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = name.find('\\', start);
        parts.push_back(name.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// Windows opens a device instead of a file for these base names, whatever the extension.
bool IsDeviceName(const std::string& component) {
    std::string base = FoldCase(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

std::string ComponentProblem(const std::string& component) {
    if (component.empty()) return "empty folder component (leading, trailing or doubled backslash)";
    if (component == "." || component == "..") return "'" + component + "' component";
    // Windows drops these when it creates the file, so the extracted name would differ.
    if (component.back() == '.' || component.back() == ' ') return "component '" + component + "' ends in a dot or space";
    if (IsDeviceName(component)) return "'" + component + "' is a device name on Windows";
    return {};
}

}  // namespace

std::string NameProblem(const std::string& name) {
    if (name.empty()) return "empty name";
    if (name.size() > kMaxNameLength)
        return "longer than " + std::to_string(kMaxNameLength) + " bytes (" + std::to_string(name.size()) + ")";
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        std::string where = " at byte " + std::to_string(i);
        if (c >= 0x80) return "not ASCII (" + Hex(c) + where + ")";
        if (c < 0x20 || c == 0x7F) return "control character " + Hex(c) + where;
        if (c == '/') return "forward slash" + where + " (folders are separated by backslashes)";
        if (std::strchr("<>:\"|?*", c) != nullptr)
            return std::string("character '") + static_cast<char>(c) + "'" + where + " is not allowed in Windows file names";
    }
    std::vector<std::string> parts = Components(name);
    if (parts.size() > kMaxFolderLevels + 1)
        return "more than " + std::to_string(kMaxFolderLevels) + " folder levels";
    for (const std::string& part : parts) {
        std::string problem = ComponentProblem(part);
        if (!problem.empty()) return problem;
    }
    // The launcher's own rule; the rules above are stricter, so this is a safety net.
    if (!IsSafeEntryName(name.data(), name.size())) return "not a safe relative path";
    return {};
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
