// tvarc: the release engineers' tool for the launcher's payload archives.
#include "archive_file.h"
#include "extract.h"
#include "list.h"
#include "pack.h"
#include "tool_error.h"
#include "verify.h"

#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

const char kHelp[] =
    "usage: tvarc COMMAND ARGUMENTS\n"
    "\n"
    "Builds and checks the payload archives of the Tessaroven setup launcher.\n"
    "\n"
    "  tvarc pack FOLDER -o FILE [--ignore NAME]... [--add NAME=PATH]... [--require NAME]...\n"
    "      Packs every file below FOLDER into the archive FILE, in byte-wise\n"
    "      order of the names. Names are relative paths of at most two folder\n"
    "      levels, in ASCII, that Windows can create; files of 4 GB or more,\n"
    "      links and special files are refused.\n"
    "      --ignore NAME  skips files called NAME at any level (for example the\n"
    "                     placeholder that keeps an empty folder in version control)\n"
    "      --add NAME=PATH  also packs the file PATH as NAME; '/' or '\\'\n"
    "                     separate its folders\n"
    "      --require NAME  refuses a FOLDER without the top-level file NAME (in\n"
    "                     any case), counting the files --add adds\n"
    "      With SOURCE_DATE_EPOCH set, every entry gets that time, so the same\n"
    "      files always give the same archive; otherwise the files' own times.\n"
    "  tvarc key FOLDER -o KEYFILE [the options of pack]\n"
    "      Writes the key of the archive pack would write: each entry's name,\n"
    "      size and SHA-256, and its times. Leaves KEYFILE as it is when the key\n"
    "      is the same, so that a build repacks exactly when the files changed,\n"
    "      whatever their times say. Refuses what pack refuses.\n"
    "  tvarc list FILE\n"
    "      One line per entry: packed size, unpacked size, name.\n"
    "  tvarc verify FILE\n"
    "      Checks the layout, inflates and checks every stream, and checks the\n"
    "      names and times; names every entry that breaks a rule.\n"
    "  tvarc extract FILE FOLDER\n"
    "      Writes every entry below FOLDER, creating its sub-folders.\n"
    "  tvarc --help\n"
    "\n"
    "Exit status: 0 on success, 1 when the operation fails (unreadable input,\n"
    "refused files, an invalid archive), 2 on wrong usage.\n";

struct UsageError {
    std::string message;
};

void PrintError(const std::string& message) {
    // Several refusals come as one message, one a line.
    size_t start = 0;
    for (;;) {
        size_t end = message.find('\n', start);
        std::cerr << "tvarc: " << message.substr(start, end == std::string::npos ? std::string::npos : end - start) << '\n';
        if (end == std::string::npos) return;
        start = end + 1;
    }
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; i
// advances past what it used.
bool TakeOption(const std::vector<std::string>& args, size_t& i, const char* shortName, const char* longName,
                std::string& value) {
    const std::string& arg = args[i];
    std::string prefix = std::string(longName) + "=";
    if (arg.compare(0, prefix.size(), prefix) == 0) {
        value = arg.substr(prefix.size());
        return true;
    }
    if (arg != longName && (shortName == nullptr || arg != shortName)) return false;
    if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
    value = args[++i];
    return true;
}

// The options pack and key share; command names the command in messages.
PackOptions ParsePackOptions(const std::vector<std::string>& args, const std::string& command) {
    PackOptions options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string value;
        if (optionsEnded || args[i].empty() || args[i][0] != '-') {
            positional.push_back(args[i]);
        } else if (args[i] == "--") {
            optionsEnded = true;
        } else if (TakeOption(args, i, "-o", "--output", value)) {
            if (!options.output.empty()) throw UsageError{command + " takes one output file"};
            options.output = value;
        } else if (TakeOption(args, i, nullptr, "--ignore", value)) {
            options.ignoredNames.push_back(value);
        } else if (TakeOption(args, i, nullptr, "--add", value)) {
            size_t equals = value.find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == value.size())
                throw UsageError{"--add needs NAME=PATH, got '" + value + "'"};
            options.extraFiles.push_back({value.substr(0, equals), value.substr(equals + 1)});
        } else if (TakeOption(args, i, nullptr, "--require", value)) {
            if (value.empty() || value.find_first_of("/\\") != std::string::npos)
                throw UsageError{"--require needs a top-level NAME, got '" + value + "'"};
            options.requiredNames.push_back(value);
        } else {
            throw UsageError{"unknown option for " + command + ": " + args[i]};
        }
    }
    if (positional.size() != 1) throw UsageError{command + " needs exactly one FOLDER"};
    if (options.output.empty()) throw UsageError{command + " needs -o FILE"};
    options.folder = positional[0];
    return options;
}

int RunPack(const std::vector<std::string>& args) {
    PackOptions options = ParsePackOptions(args, "pack");
    size_t entries = Pack(options);
    std::cout << options.output << ": " << entries << (entries == 1 ? " entry" : " entries") << " packed\n";
    return kSuccess;
}

int RunKey(const std::vector<std::string>& args) {
    PackOptions options = ParsePackOptions(args, "key");
    // Silent when nothing changed: a build runs this every time.
    if (WriteKey(options)) std::cout << options.output << ": written\n";
    return kSuccess;
}

int RunList(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"list needs exactly one FILE"};
    List(ArchiveFile(args[0]), std::cout);
    return kSuccess;
}

int RunVerify(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"verify needs exactly one FILE"};
    ArchiveFile archive(args[0]);
    VerifyReport report = Verify(archive);
    if (!report.problems.empty()) {
        for (const std::string& problem : report.problems) PrintError(archive.Path() + ": " + problem);
        PrintError(archive.Path() + ": invalid archive, " + std::to_string(report.problems.size()) +
                   (report.problems.size() == 1 ? " problem" : " problems"));
        return kFailure;
    }
    std::cout << archive.Path() << ": valid, " << report.entries << (report.entries == 1 ? " entry, " : " entries, ")
              << report.packedBytes << " bytes packed, " << report.unpackedBytes << " bytes unpacked\n";
    return kSuccess;
}

int RunExtract(const std::vector<std::string>& args) {
    if (args.size() != 2) throw UsageError{"extract needs FILE and FOLDER"};
    size_t files = Extract(ArchiveFile(args[0]), args[1]);
    std::cout << args[0] << ": " << files << (files == 1 ? " file" : " files") << " extracted into " << args[1] << '\n';
    return kSuccess;
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty()) throw UsageError{"no command given"};
        std::string command = args[0];
        args.erase(args.begin());
        if (command == "--help" || command == "-h" || command == "help" || AsksForHelp(args)) {
            std::cout << kHelp;
            return kSuccess;
        }
        if (command == "pack") return RunPack(args);
        if (command == "key") return RunKey(args);
        if (command == "list") return RunList(args);
        if (command == "verify") return RunVerify(args);
        if (command == "extract") return RunExtract(args);
        throw UsageError{"unknown command '" + command + "'"};
    } catch (const UsageError& error) {
        PrintError(error.message);
        std::cerr << "Try 'tvarc --help'.\n";
        return kUsage;
    } catch (const ToolError& error) {
        PrintError(error.what());
        return kFailure;
    } catch (const std::bad_alloc&) {
        PrintError("out of memory");
        return kFailure;
    } catch (const std::exception& error) {
        PrintError(error.what());
        return kFailure;
    }
}
