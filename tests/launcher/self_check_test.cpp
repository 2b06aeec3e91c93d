// CheckImageFile on files written for the purpose: a real PE image (this
// test's own executable) grown past several of the check's 1 MB pieces,
// with its header checksum kept, cleared, or not matching any more.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ansi_text.h"
#include "image_checksum.h"
#include "scratch_folder.h"
#include "self_check.h"

namespace {

std::string OwnImage() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return ScratchFolder::ReadAll(path);
}

// image with extra bytes after it and the checksum those bytes give stored in the header.
std::string Grown(const std::string& image, size_t extra) {
    std::string file = image;
    for (size_t i = 0; i < extra; ++i) file += static_cast<char>(i * 31 + (i >> 12));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(file.data());
    ImageChecksumField field;
    if (!FindImageChecksumField(bytes, file.size(), &field)) return std::string();
    ImageChecksum checksum(field.offset);
    checksum.Add(bytes, file.size());
    uint32_t value = checksum.Value();
    for (int i = 0; i < 4; ++i) file[field.offset + i] = static_cast<char>(value >> (8 * i));
    return file;
}

TEST(CheckImageFile, StateOfEachKindOfFile) {
    ScratchFolder folder("self-check");
    std::string image = OwnImage();
    ASSERT_FALSE(image.empty());
    std::string intact = Grown(image, 3 * 1024 * 1024 + 77);
    ASSERT_FALSE(intact.empty());
    ImageChecksumField field;
    ASSERT_TRUE(FindImageChecksumField(reinterpret_cast<const unsigned char*>(intact.data()), intact.size(), &field));

    std::string lastByte = intact, cleared = intact, shortened = intact.substr(0, intact.size() - 1);
    lastByte.back() ^= 0x01;
    for (int i = 0; i < 4; ++i) cleared[field.offset + i] = 0;
    cleared[5000] ^= 0x40;  // with no checksum stored, changes go unnoticed

    struct Case {
        const char* name;
        std::string bytes;
        ImageFileState expected;
    };
    const Case cases[] = {
        {"intact, several pieces long", intact, ImageFileState::Intact},
        {"the last byte changed", lastByte, ImageFileState::Damaged},
        {"one byte short, as from a cut-off download", shortened, ImageFileState::Damaged},
        {"no checksum stored", cleared, ImageFileState::NoChecksum},
        {"no PE header at all", std::string(1000, 'x'), ImageFileState::Damaged},
        {"empty", std::string(), ImageFileState::Damaged},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string path = folder / ("file" + std::to_string(n++) + ".exe");
        ScratchFolder::WriteAll(path, c.bytes);
        EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(CheckImageFile(Wide(path).c_str()))) << c.name;
    }
    EXPECT_EQ(static_cast<int>(ImageFileState::Unreadable),
              static_cast<int>(CheckImageFile(Wide(folder / "missing.exe").c_str())));
}

TEST(CheckImageFile, TheRunningLauncherCanReadItself) {
    // The executable of a running process is open for execution; the check
    // opens it once more for reading (and the linker wrote its checksum).
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(static_cast<int>(ImageFileState::Intact), static_cast<int>(CheckImageFile(self)));
}

}  // namespace
