#include "entry_name_rule.h"

#include <string.h>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameFolded(const char* p, size_t n, const char* lower) {
    if (strlen(lower) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (Lower(p[i]) != lower[i]) return false;
    return true;
}

// Windows opens a device instead of a file for these base names, whatever
// follows the first dot and with blanks before it ignored.
bool IsDeviceName(const char* p, size_t n) {
    size_t base = 0;
    while (base < n && p[base] != '.') ++base;
    while (base > 0 && p[base - 1] == ' ') --base;
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (const char* device : kDevices)
        if (SameFolded(p, base, device)) return true;
    return base == 4 && (SameFolded(p, 3, "com") || SameFolded(p, 3, "lpt")) && p[3] >= '0' && p[3] <= '9';
}

EntryNameFault ComponentFault(const char* p, size_t n) {
    if (n == 0) return EntryNameFault::EmptyComponent;
    if ((n == 1 && p[0] == '.') || (n == 2 && p[0] == '.' && p[1] == '.')) return EntryNameFault::DotComponent;
    if (p[n - 1] == '.' || p[n - 1] == ' ') return EntryNameFault::TrailingDotOrBlank;
    if (IsDeviceName(p, n)) return EntryNameFault::DeviceName;
    return EntryNameFault::None;
}

}  // namespace

EntryNameCheck CheckEntryName(const char* name, size_t n) {
    if (n == 0) return {EntryNameFault::Empty, 0, 0};
    if (n > kMaxEntryNameLength) return {EntryNameFault::TooLong, 0, 0};
    size_t separators = 0;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        EntryNameFault fault = EntryNameFault::None;
        if (c >= 0x80)
            fault = EntryNameFault::NotAscii;
        else if (c < 0x20 || c == 0x7F)
            fault = EntryNameFault::ControlCharacter;
        else if (c == '/')
            fault = EntryNameFault::ForwardSlash;
        else if (strchr("<>:\"|?*", c) != nullptr)
            fault = EntryNameFault::ReservedCharacter;
        if (fault != EntryNameFault::None) return {fault, i, 1};
        if (c == '\\') ++separators;
    }
    if (separators > kMaxEntryFolderLevels) return {EntryNameFault::TooDeep, 0, 0};
    size_t start = 0;
    for (size_t i = 0; i <= n; ++i) {
        if (i < n && name[i] != '\\') continue;
        EntryNameFault fault = ComponentFault(name + start, i - start);
        if (fault != EntryNameFault::None) return {fault, start, i - start};
        start = i + 1;
    }
    return {EntryNameFault::None, 0, 0};
}
