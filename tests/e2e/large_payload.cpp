#include "large_payload.h"

#include <windows.h>
#include <zlib.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "ansi_text.h"
#include "image_checksum.h"
#include "pe_file.h"
#include "scratch_folder.h"

namespace {

// Raised whenever what a kept copy holds changes for the same launcher and
// shape (the names, sizes or bytes generated, the packing), so that kept
// copies are made again.
const int kGeneratorRevision = 1;

const unsigned kMostFolders = 100;
const uint32_t kSmallestFile = 200;
const uint32_t kLargestSmallFile = 4096;

// A well-mixed number from i, for sizes that look random but never change.
uint32_t Mix(uint32_t i) {
    i ^= i >> 16;
    i *= 0x7feb352du;
    i ^= i >> 15;
    i *= 0x846ca68bu;
    return i ^ (i >> 16);
}

std::string Printed(const char* format, unsigned long a, unsigned long b = 0) {
    char text[64];
    snprintf(text, sizeof text, format, a, b);
    return text;
}

// FNV-1a over the bytes: enough to tell one build of the launcher from another.
uint64_t Fingerprint(const std::string& bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

std::string CopyName(const LargePayload& payload) {
    return payload.shape == LargePayload::ManySmallFiles ? Printed("setup-%lu-small-files.exe", payload.count)
                                                          : Printed("setup-%lu-mb-large-files.exe", payload.count);
}

std::string Key(const std::string& launcherBytes, const LargePayload& payload) {
    char text[160];
    snprintf(text, sizeof text, "launcher %lu bytes, fnv-1a %016llx\n%s\nrevision %d\n",
             static_cast<unsigned long>(launcherBytes.size()),
             static_cast<unsigned long long>(Fingerprint(launcherBytes)), CopyName(payload).c_str(),
             kGeneratorRevision);
    return text;
}

std::string LastError(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": error " + std::to_string(GetLastError());
}

// Writes value little-endian at offset of the file, in place.
bool PatchLe32(const std::string& path, uint32_t offset, uint32_t value) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    unsigned char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    DWORD written = 0;
    bool ok = SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset &&
              WriteFile(file, bytes, 4, &written, nullptr) && written == 4;
    return CloseHandle(file) && ok;
}

// Puts the archive into the copy at part as its BASE (type and name as the
// launcher stores them, in its language) through the platform's resource
// update, then makes the checksum right. Returns why not, or empty.
std::string ReplaceBase(const std::string& part, const PeResource& base, const Bytes& archive) {
    HANDLE update = BeginUpdateResourceW(Wide(part).c_str(), FALSE);
    if (update == nullptr) return LastError("BeginUpdateResourceW", part);
    if (!UpdateResourceW(update, Wide(base.type).c_str(), Wide(base.name).c_str(), base.language,
                         const_cast<unsigned char*>(archive.data()), static_cast<DWORD>(archive.size()))) {
        std::string error = LastError("UpdateResourceW", part);
        EndUpdateResourceW(update, TRUE);
        return error;
    }
    if (!EndUpdateResourceW(update, FALSE)) return LastError("EndUpdateResourceW", part);

    // The update leaves the header's checksum as it was.
    bool found = false;
    std::string copy = ScratchFolder::ReadAll(part, &found);
    if (!found) return "cannot read " + part + " back";
    const unsigned char* image = reinterpret_cast<const unsigned char*>(copy.data());
    try {
        PeResource written = FindPeResource(image, copy.size(), "TVArc", "BASE");
        if (written.size != archive.size() || memcmp(image + written.fileOffset, archive.data(), archive.size()) != 0)
            return "the BASE of " + part + " is not the archive put in";
    } catch (const PeFormatError& e) {
        return part + " after the update: " + e.what();
    }
    ImageChecksumField field;
    if (!FindImageChecksumField(image, copy.size(), &field)) return part + " has no PE header after the update";
    ImageChecksum checksum(field.offset);
    checksum.Add(image, copy.size());
    if (!PatchLe32(part, field.offset, checksum.Value())) return LastError("cannot write the checksum of", part);
    return std::string();
}

}  // namespace

std::vector<GeneratedFile> GeneratedFiles(const LargePayload& payload) {
    std::vector<GeneratedFile> files;
    if (payload.shape == LargePayload::ManySmallFiles) {
        unsigned long folders = std::min<unsigned long>(kMostFolders, payload.count);
        files.reserve(payload.count);
        for (unsigned long i = 0; i < payload.count; ++i) {
            GeneratedFile file;
            // Numbered with fixed widths, so that making them in order keeps the archive tool's order.
            file.name = Printed("bulk\\d%02lu\\f%06lu.dat", i * folders / payload.count, i);
            file.size = kSmallestFile + Mix(static_cast<uint32_t>(i)) % (kLargestSmallFile - kSmallestFile + 1);
            file.seed = static_cast<uint32_t>(i) + 1;
            files.push_back(file);
        }
    } else {
        uint64_t total = static_cast<uint64_t>(payload.count) << 20;
        for (unsigned k = 0; k < kLargeFileCount; ++k) {
            GeneratedFile file;
            file.name = Printed("media\\reel%lu.dat", k + 1);
            file.size = static_cast<uint32_t>(total / kLargeFileCount + (k + 1 == kLargeFileCount ? total % kLargeFileCount : 0));
            file.seed = 1000 + k;
            files.push_back(file);
        }
    }
    return files;
}

std::string GeneratedContent(const GeneratedFile& file) { return VariedText(file.size, file.seed); }

Bytes BuildGeneratedArchive(const std::vector<GeneratedFile>& files) {
    Deflater deflater(Z_BEST_SPEED);
    std::vector<BuiltEntry> entries(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        entries[i].name = files[i].name;
        entries[i].packed = deflater.Deflate(GeneratedContent(files[i]));
        entries[i].unpackedSize = files[i].size;
    }
    return BuildArchive(entries);
}

std::string WriteLauncherWithBase(const std::string& launcher, const Bytes& archive, const std::string& path) {
    bool found = false;
    std::string original = ScratchFolder::ReadAll(launcher, &found);
    if (!found) return "cannot read " + launcher;
    PeResource base;
    try {
        base = FindPeResource(reinterpret_cast<const unsigned char*>(original.data()), original.size(), "TVArc", "BASE");
    } catch (const PeFormatError& e) {
        return launcher + ": " + e.what();
    }
    std::string part = path + ".part";
    DeleteFileW(Wide(part).c_str());
    if (!CopyFileW(Wide(launcher).c_str(), Wide(part).c_str(), FALSE)) return LastError("cannot copy the launcher to", part);
    std::string error = ReplaceBase(part, base, archive);
    if (error.empty() && !MoveFileExW(Wide(part).c_str(), Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING))
        error = LastError("cannot rename the copy to", path);
    if (!error.empty()) DeleteFileW(Wide(part).c_str());
    return error;
}

std::string LauncherWithLargePayload(const std::string& launcher, const LargePayload& payload,
                                     const std::string& folder, bool* made, std::string* error) {
    *made = false;
    bool found = false;
    std::string launcherBytes = ScratchFolder::ReadAll(launcher, &found);
    if (!found) {
        *error = "cannot read " + launcher;
        return std::string();
    }
    CreateDirectoryW(Wide(folder).c_str(), nullptr);
    std::string copy = folder + "\\" + CopyName(payload);
    std::string keyFile = copy + ".key";
    std::string key = Key(launcherBytes, payload);
    if (ScratchFolder::Exists(copy) && ScratchFolder::ReadAll(keyFile) == key) return copy;

    // The key goes first and comes back last: a copy without it is never taken.
    DeleteFileW(Wide(keyFile).c_str());
    *error = WriteLauncherWithBase(launcher, BuildGeneratedArchive(GeneratedFiles(payload)), copy);
    if (error->empty() && !ScratchFolder::WriteAll(keyFile, key)) *error = "cannot write " + keyFile;
    if (!error->empty()) return std::string();
    *made = true;
    return copy;
}

std::string GeneratedDifference(const std::string& work, const std::vector<GeneratedFile>& files) {
    for (const GeneratedFile& file : files) {
        bool found = false;
        std::string unpacked = ScratchFolder::ReadAll(work + file.name, &found);
        if (!found) return "missing " + file.name;
        if (unpacked != GeneratedContent(file))
            return file.name + ": " + std::to_string(unpacked.size()) + " bytes unpacked, " +
                   std::to_string(file.size) + " generated, not the same";
    }
    return std::string();
}

std::string Describe(const LargePayload& payload, const std::vector<GeneratedFile>& files) {
    uint64_t bytes = 0;
    for (const GeneratedFile& file : files) bytes += file.size;
    char text[96];
    snprintf(text, sizeof text, "%lu %s files, %.1f MB", static_cast<unsigned long>(files.size()),
             payload.shape == LargePayload::ManySmallFiles ? "small" : "large", bytes / 1048576.0);
    return text;
}
