#include "launcher_copies.h"

#include <stdint.h>

#include "e2e_support.h"
#include "image_checksum.h"
#include "pe_file.h"

std::string LauncherWithCorruptArchive(const std::string& folder) {
    std::string bytes = ScratchFolder::ReadAll(Settings().launcher);
    const unsigned char* image = reinterpret_cast<const unsigned char*>(bytes.data());
    PeResource archive = FindPeResource(image, bytes.size(), "TVArc", "TVIMAGE");
    ImageChecksumField field;
    if (!FindImageChecksumField(image, bytes.size(), &field)) return std::string();
    // The first record follows the directory offset and the entry count;
    // its data offset follows the name.
    const unsigned char* p = image + archive.fileOffset;
    uint32_t directory = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    if (archive.size < 5 || directory > archive.size - 5) return std::string();
    size_t fields = directory + 4 + 1 + p[directory + 4];
    if (fields + 8 > archive.size) return std::string();
    const uint32_t wrapping = 0xFFFFFFFCu;
    for (int i = 0; i < 4; ++i) bytes[archive.fileOffset + fields + i] = static_cast<char>(wrapping >> (8 * i));
    ImageChecksum checksum(field.offset);
    checksum.Add(image, bytes.size());
    for (int i = 0; i < 4; ++i) bytes[field.offset + i] = static_cast<char>(checksum.Value() >> (8 * i));
    std::string copy = folder + "\\setup.exe";
    return ScratchFolder::WriteAll(copy, bytes) ? copy : std::string();
}

std::string DamagedLauncher(const std::string& folder) {
    std::string bytes = ScratchFolder::ReadAll(Settings().launcher);
    ImageChecksumField field;
    if (!FindImageChecksumField(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &field) ||
        field.stored == 0)
        return std::string();
    uint32_t wrong = field.stored + 1;
    for (int i = 0; i < 4; ++i) bytes[field.offset + i] = static_cast<char>(wrong >> (8 * i));
    std::string copy = folder + "\\setup.exe";
    return ScratchFolder::WriteAll(copy, bytes) ? copy : std::string();
}
