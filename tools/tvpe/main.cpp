// tvpe: the release engineers' tool for the launcher's executable file: its
// header checksum, its characteristics and its resources.
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "image_checksum.h"
#include "pe_file.h"
#include "replace_file.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

const char kHelp[] =
    "usage: tvpe COMMAND ARGUMENTS\n"
    "\n"
    "Checks and adjusts the launcher's executable file.\n"
    "\n"
    "  tvpe checksum FILE\n"
    "      Compares the checksum in the PE header with the file's bytes; fails\n"
    "      when they differ or when the header stores none (0).\n"
    "  tvpe set-checksum FILE [--value N]\n"
    "      Writes the checksum of the file's bytes into its header, or N.\n"
    "  tvpe characteristics FILE\n"
    "      The Characteristics of the COFF file header: the value, then the\n"
    "      name of each bit set (IMAGE_FILE_ left off).\n"
    "  tvpe set-run-from-swap FILE\n"
    "      Sets REMOVABLE_RUN_FROM_SWAP and NET_RUN_FROM_SWAP (Windows then\n"
    "      runs the image from a copy in the paging file when it is started\n"
    "      from removable media or a network share) and writes the checksum\n"
    "      of the result into the header.\n"
    "  tvpe resources FILE\n"
    "      One line per resource: type, name, language, file offset, size.\n"
    "      Numbered types and names are written #N.\n"
    "  tvpe extract FILE TYPE NAME -o OUT\n"
    "      Writes the data of that resource (the first language) to OUT.\n"
    "  tvpe --help\n"
    "\n"
    "Exit status: 0 on success, 1 when the operation fails or the check\n"
    "finds a difference, 2 on wrong usage.\n";

struct Failure {
    std::string message;
};
struct UsageError {
    std::string message;
};

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure{path + ": cannot open"};
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure{path + ": cannot read"};
    return bytes;
}

void WriteFile(const std::string& path, const unsigned char* data, size_t length) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
    out.close();
    if (!out) throw Failure{path + ": cannot write"};
}

ImageChecksumField ChecksumField(const std::string& path, const std::vector<unsigned char>& bytes) {
    ImageChecksumField field;
    if (!FindImageChecksumField(bytes.data(), bytes.size(), &field)) throw Failure{path + ": not a PE image"};
    return field;
}

uint32_t Compute(const std::vector<unsigned char>& bytes, const ImageChecksumField& field) {
    ImageChecksum checksum(field.offset);
    checksum.Add(bytes.data(), bytes.size());
    return checksum.Value();
}

void StoreChecksum(std::vector<unsigned char>& bytes, const ImageChecksumField& field, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[field.offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::string Hex(uint32_t value, int digits = 8) {
    char text[16];
    snprintf(text, sizeof text, "0x%0*x", digits, value);
    return text;
}

// IMAGE_FILE_ names of the Characteristics bits, bit 0 first; bit 6 has none.
const char* const kCharacteristicNames[16] = {
    "RELOCS_STRIPPED", "EXECUTABLE_IMAGE", "LINE_NUMS_STRIPPED", "LOCAL_SYMS_STRIPPED",
    "AGGRESSIVE_WS_TRIM", "LARGE_ADDRESS_AWARE", nullptr, "BYTES_REVERSED_LO",
    "32BIT_MACHINE", "DEBUG_STRIPPED", "REMOVABLE_RUN_FROM_SWAP", "NET_RUN_FROM_SWAP",
    "SYSTEM", "DLL", "UP_SYSTEM_ONLY", "BYTES_REVERSED_HI"};

uint16_t ReadCharacteristics(const std::vector<unsigned char>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

int RunChecksum(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"checksum needs exactly one FILE"};
    std::vector<unsigned char> bytes = ReadFile(args[0]);
    ImageChecksumField field = ChecksumField(args[0], bytes);
    uint32_t computed = Compute(bytes, field);
    if (field.stored == 0) {
        std::cerr << "tvpe: " << args[0] << ": the header stores no checksum (the bytes give " << Hex(computed) << ")\n";
        return kFailure;
    }
    if (field.stored != computed) {
        std::cerr << "tvpe: " << args[0] << ": the header stores checksum " << Hex(field.stored)
                  << ", the bytes give " << Hex(computed) << "\n";
        return kFailure;
    }
    std::cout << args[0] << ": checksum " << Hex(computed) << " matches\n";
    return kSuccess;
}

int RunSetChecksum(const std::vector<std::string>& args) {
    std::string path, value;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--value") {
            if (i + 1 >= args.size()) throw UsageError{"--value needs a number"};
            value = args[++i];
        } else if (path.empty() && !args[i].empty() && args[i][0] != '-') {
            path = args[i];
        } else {
            throw UsageError{"unexpected argument for set-checksum: " + args[i]};
        }
    }
    if (path.empty()) throw UsageError{"set-checksum needs a FILE"};
    std::vector<unsigned char> bytes = ReadFile(path);
    ImageChecksumField field = ChecksumField(path, bytes);
    uint32_t written;
    if (value.empty()) {
        written = Compute(bytes, field);
    } else {
        char* end = nullptr;
        unsigned long long n = strtoull(value.c_str(), &end, 0);
        if (end == value.c_str() || *end != '\0' || n > 0xFFFFFFFFull) throw UsageError{"not a 32-bit number: " + value};
        written = static_cast<uint32_t>(n);
    }
    StoreChecksum(bytes, field, written);
    // Beside it and renamed over it: a failure midway leaves the release file whole.
    if (written != field.stored) ReplaceFile(path, bytes.data(), bytes.size());
    std::cout << path << ": checksum " << Hex(written)
              << (written == field.stored ? " (unchanged)" : ", was " + Hex(field.stored)) << "\n";
    return kSuccess;
}

int RunCharacteristics(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"characteristics needs exactly one FILE"};
    std::vector<unsigned char> bytes = ReadFile(args[0]);
    uint16_t value = ReadCharacteristics(bytes, PeCharacteristicsOffset(bytes.data(), bytes.size()));
    std::cout << Hex(value, 4);
    for (int bit = 0; bit < 16; ++bit) {
        if (!(value & (1u << bit))) continue;
        const char* name = kCharacteristicNames[bit];
        std::cout << ' ' << (name != nullptr ? name : Hex(1u << bit, 4));
    }
    std::cout << '\n';
    return kSuccess;
}

int RunSetRunFromSwap(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"set-run-from-swap needs exactly one FILE"};
    const std::string& path = args[0];
    std::vector<unsigned char> bytes = ReadFile(path);
    ImageChecksumField field = ChecksumField(path, bytes);
    size_t at = PeCharacteristicsOffset(bytes.data(), bytes.size());
    uint16_t was = ReadCharacteristics(bytes, at);
    uint16_t value = was | kPeRunFromSwapBits;
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
    // The checksum covers the characteristics, so it follows them, in the same rewrite.
    uint32_t checksum = Compute(bytes, field);
    StoreChecksum(bytes, field, checksum);
    bool unchanged = value == was && checksum == field.stored;
    if (!unchanged) ReplaceFile(path, bytes.data(), bytes.size());
    std::cout << path << ": characteristics " << Hex(value, 4)
              << (value == was ? std::string() : ", was " + Hex(was, 4)) << ", checksum " << Hex(checksum)
              << (checksum == field.stored ? std::string() : ", was " + Hex(field.stored))
              << (unchanged ? " (unchanged)" : "") << "\n";
    return kSuccess;
}

int RunResources(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"resources needs exactly one FILE"};
    std::vector<unsigned char> bytes = ReadFile(args[0]);
    for (const PeResource& r : ListPeResources(bytes.data(), bytes.size()))
        std::cout << r.type << ' ' << r.name << ' ' << r.language << ' ' << r.fileOffset << ' ' << r.size << '\n';
    return kSuccess;
}

int RunExtract(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a file"};
            output = args[++i];
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 3 || output.empty()) throw UsageError{"extract needs FILE TYPE NAME -o OUT"};
    std::vector<unsigned char> bytes = ReadFile(positional[0]);
    PeResource r = FindPeResource(bytes.data(), bytes.size(), positional[1], positional[2]);
    WriteFile(output, bytes.data() + r.fileOffset, r.size);
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty()) throw UsageError{"no command given"};
        std::string command = args[0];
        args.erase(args.begin());
        if (command == "--help" || command == "-h" || command == "help") {
            std::cout << kHelp;
            return kSuccess;
        }
        if (command == "checksum") return RunChecksum(args);
        if (command == "set-checksum") return RunSetChecksum(args);
        if (command == "characteristics") return RunCharacteristics(args);
        if (command == "set-run-from-swap") return RunSetRunFromSwap(args);
        if (command == "resources") return RunResources(args);
        if (command == "extract") return RunExtract(args);
        throw UsageError{"unknown command '" + command + "'"};
    } catch (const UsageError& error) {
        std::cerr << "tvpe: " << error.message << "\nTry 'tvpe --help'.\n";
        return kUsage;
    } catch (const Failure& error) {
        std::cerr << "tvpe: " << error.message << "\n";
        return kFailure;
    } catch (const FileReplaceError& error) {
        std::cerr << "tvpe: " << error.path << ": " << error.reason << "\n";
        return kFailure;
    } catch (const PeFormatError& error) {
        std::cerr << "tvpe: " << (args.empty() ? std::string() : args[0] + ": ") << error.what() << "\n";
        return kFailure;
    } catch (const std::exception& error) {
        std::cerr << "tvpe: " << error.what() << "\n";
        return kFailure;
    }
}
