#include "e2e_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

namespace {

E2eSettings g_settings;

void ListInto(const std::string& folder, const std::string& prefix, bool deep, std::vector<std::string>* names) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            names->push_back(prefix + name + "\\");
            if (deep) ListInto(folder + "\\" + name, prefix + name + "\\", deep, names);
        } else {
            names->push_back(prefix + name);
        }
    } while (FindNextFileA(h, &found));
    FindClose(h);
}

}  // namespace

const E2eSettings& Settings() { return g_settings; }

bool ParseSettings(int* argc, char** argv, std::string* error) {
    struct Option {
        const char* name;
        std::string* value;
        bool required;
    };
    std::string smallDrivePrivate, manyFiles, largeMegabytes;
    Option options[] = {
        {"--launcher=", &g_settings.launcher, true},
        {"--zoratrel=", &g_settings.zoratrel, true},
        {"--kestavon=", &g_settings.kestavon, true},
        {"--payload=", &g_settings.payload, true},
        {"--tiles=", &g_settings.tiles, true},
        {"--language=", &g_settings.language, false},
        {"--small-drive=", &g_settings.smallDrive, false},
        {"--small-drive-private=", &smallDrivePrivate, false},
        {"--few-inodes-drive=", &g_settings.fewInodesDrive, false},
        {"--full-folder=", &g_settings.fullFolder, false},
        {"--screenshot-folder=", &g_settings.screenshotFolder, false},
        {"--large-payloads=", &g_settings.largePayloads, false},
        {"--many-files=", &manyFiles, false},
        {"--large-megabytes=", &largeMegabytes, false},
    };
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        bool taken = false;
        for (Option& option : options) {
            size_t n = strlen(option.name);
            if (strncmp(argv[i], option.name, n) == 0) {
                *option.value = argv[i] + n;
                taken = true;
            }
        }
        if (!taken) argv[kept++] = argv[i];
    }
    *argc = kept;
    argv[kept] = nullptr;
    for (Option& option : options) {
        if (option.required && option.value->empty()) {
            *error = std::string("missing option ") + option.name + "PATH";
            return false;
        }
    }
    for (std::string* path : {&g_settings.launcher, &g_settings.zoratrel, &g_settings.kestavon, &g_settings.payload,
                              &g_settings.tiles, &g_settings.largePayloads})
        *path = DosPath(*path);
    struct Count {
        const char* name;
        const std::string& text;
        unsigned long* value;
    };
    for (const Count& count : {Count{"--many-files=", manyFiles, &g_settings.manyFiles},
                               Count{"--large-megabytes=", largeMegabytes, &g_settings.largeMegabytes}}) {
        if (count.text.empty()) continue;
        char* end = nullptr;
        unsigned long value = strtoul(count.text.c_str(), &end, 10);
        if (*end != '\0' || value == 0) {
            *error = std::string(count.name) + " wants a count above 0, not " + count.text;
            return false;
        }
        *count.value = value;
    }
    if (g_settings.language.empty()) g_settings.language = "en";
    g_settings.smallDrivePrivate = smallDrivePrivate == "yes";
    return true;
}

std::string DosPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string dos = "Z:" + path;
    std::replace(dos.begin(), dos.end(), '/', '\\');
    return dos;
}

std::string FreshFolder(const std::string& name) {
    static ScratchFolder root("tv-e2e-");
    std::string folder = root / name;
    ScratchFolder::RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::vector<std::string> ListTree(const std::string& folder) {
    std::vector<std::string> names;
    ListInto(folder, "", true, &names);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    ListInto(folder, "", false, &names);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ArchiveNames(const char* const* names) {
    std::vector<std::string> list;
    for (; *names != nullptr; ++names) list.push_back(*names);
    return list;
}

std::vector<PayloadFile> ExpectedPayload(const std::vector<std::string>& archives) {
    std::vector<PayloadFile> files;
    for (const std::string& archive : archives) {
        std::string folder = Settings().payload + "\\" + archive;
        std::vector<PayloadFile> inArchive;
        for (const std::string& name : ListTree(folder)) {
            // Folders come with their files; .keep files only keep empty folders in version control.
            if (name.back() == '\\') continue;
            std::string leaf = name.substr(name.find_last_of('\\') + 1);
            if (leaf == ".keep") continue;
            inArchive.push_back({archive, name, folder + "\\" + name});
        }
        // What the build adds on top of the folder.
        if (archive == "BASE") inArchive.push_back({archive, "data\\tiles.dat", Settings().tiles});
        if (archive == "SETUPBASE") {
            inArchive.push_back({archive, "Zoratrel.exe", Settings().zoratrel});
            inArchive.push_back({archive, "Kestavon.exe", Settings().kestavon});
        }
        std::sort(inArchive.begin(), inArchive.end(),
                  [](const PayloadFile& a, const PayloadFile& b) { return a.name < b.name; });
        files.insert(files.end(), inArchive.begin(), inArchive.end());
    }
    return files;
}
