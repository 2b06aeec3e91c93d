// Reads an executable's version resource the way Windows shows it in a
// file's properties (GetFileVersionInfoA, VerQueryValueA) and compares it
// with what a release of the launcher must carry. Prints every difference.
// Usage: version_info_check FILE X.Y.Z    (exit 0: as expected, 1: not, 2: usage)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

int g_differences = 0;

void Expect(const char* what, const std::string& expected, const std::string& actual) {
    if (expected == actual) {
        printf("%s: %s\n", what, actual.c_str());
        return;
    }
    printf("%s: expected \"%s\", found \"%s\"\n", what, expected.c_str(), actual.c_str());
    ++g_differences;
}

std::string Hex(DWORD high, DWORD low) {
    char text[32];
    snprintf(text, sizeof text, "%08lx.%08lx", static_cast<unsigned long>(high), static_cast<unsigned long>(low));
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned parts[3];
    if (argc != 3 || sscanf(argv[2], "%u.%u.%u", &parts[0], &parts[1], &parts[2]) != 3) {
        fprintf(stderr, "usage: version_info_check FILE X.Y.Z\n");
        return 2;
    }
    const char* file = argv[1];
    std::string version = argv[2];
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0) {
        printf("%s: no version resource (error %lu)\n", file, GetLastError());
        return 1;
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(file, 0, size, block.data())) {
        printf("%s: GetFileVersionInfoA failed (error %lu)\n", file, GetLastError());
        return 1;
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed) {
        printf("%s: no fixed file information\n", file);
        return 1;
    }
    std::string numbers = Hex((parts[0] << 16) | parts[1], parts[2] << 16);
    Expect("binary file version", numbers, Hex(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
    Expect("binary product version", numbers, Hex(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
    Expect("file type", "application", fixed->dwFileType == VFT_APP ? "application" : std::to_string(fixed->dwFileType));

    // The strings of the first translation, as the properties dialog shows them.
    WORD* translation = nullptr;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4) {
        printf("%s: no translation table\n", file);
        return 1;
    }
    char prefix[64];
    snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    struct Text {
        const char* key;
        std::string expected;
    };
    const Text texts[] = {
        {"ProductName", "Tessaroven"},     {"FileDescription", "Tessaroven Setup"}, {"FileVersion", version},
        {"ProductVersion", version},       {"OriginalFilename", "setup.exe"},
    };
    for (const Text& text : texts) {
        char* value = nullptr;
        std::string actual = "(missing)";
        if (VerQueryValueA(block.data(), (std::string(prefix) + text.key).c_str(), reinterpret_cast<void**>(&value),
                           &length) &&
            value != nullptr)
            actual = value;
        Expect(text.key, text.expected, actual);
    }
    if (g_differences > 0) printf("%s: %d difference(s) in the version resource\n", file, g_differences);
    return g_differences == 0 ? 0 : 1;
}
