// Helpers of the end-to-end tests, which run the real launcher executable
// under Wine: the paths the build hands over, the demo payload as the
// source tree holds it, and the files of a run listed. The processes,
// scratch folders, waits and window searches they share with the other
// tests come with them.
#ifndef TESSAROVEN_TESTS_E2E_SUPPORT_H
#define TESSAROVEN_TESTS_E2E_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "message_wait.h"
#include "scratch_folder.h"
#include "window_search.h"

// What the build and the wrapper script tell the driver, as DOS paths.
struct E2eSettings {
    std::string launcher;        // setup.exe with the demo payload
    std::string zoratrel;        // the demo next stage, as built
    std::string kestavon;        // the demo helper, as built
    std::string payload;         // the source payload folder, one sub-folder per archive
    std::string tiles;           // the generated data\tiles.dat of BASE
    std::string language;        // the language of this run: en, de, fr, it or es
    std::string smallDrive;      // a drive with less than 10 MB free ("T:"), or empty
    bool smallDrivePrivate = false;  // that drive is an empty file system of this run alone
    std::string fewInodesDrive;  // a drive with room but almost no inodes ("U:"), or empty
    std::string fullFolder;      // a 1 MB file system mounted as a folder of a drive with room (V:\full\), or empty
    std::string screenshotFolder;  // where the splash is shown for a screenshot taken from outside, or empty
    // Launcher copies with large generated payloads (large_payload.h): the
    // folder that keeps them from run to run (empty: made afresh in a
    // scratch folder), and their sizes.
    std::string largePayloads;
    unsigned long manyFiles = 20000;     // files of the payload of many small files
    unsigned long largeMegabytes = 200;  // megabytes of the payload of a few large files
};

const E2eSettings& Settings();
// Takes the --name=value options the driver knows out of argv; false with a
// reason when one is missing.
bool ParseSettings(int* argc, char** argv, std::string* error);

// A Unix path (as CMake passes them) on Wine's drive Z:; DOS paths unchanged.
std::string DosPath(const std::string& path);

// A fresh, empty folder of that name below the driver's scratch folder
// (which is under its own temporary folder and removed, with everything
// below it, when the driver ends); no trailing backslash.
std::string FreshFolder(const std::string& name);

// Every file and folder below folder, relative, sorted; folders end in '\'.
std::vector<std::string> ListTree(const std::string& folder);
// The same for the folder's own entries only.
std::vector<std::string> ListFolder(const std::string& folder);

// One file the launcher unpacks (or the next stage reads), where the source
// tree or the build keeps it.
struct PayloadFile {
    std::string archive;
    std::string name;  // inside the archive, '\' between folders
    std::string source;
};
// The files of the named archives, archive by archive and within one in the
// order the archive tool packs them (byte order of the names).
std::vector<PayloadFile> ExpectedPayload(const std::vector<std::string>& archives);
// The names of a null-terminated list of payload_archives.h.
std::vector<std::string> ArchiveNames(const char* const* names);

#endif
