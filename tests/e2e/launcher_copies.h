// Copies of the real launcher changed the way a damaged download or a
// broken payload changes them, for the tests of what the launcher does then.
#ifndef TESSAROVEN_TESTS_E2E_LAUNCHER_COPIES_H
#define TESSAROVEN_TESTS_E2E_LAUNCHER_COPIES_H

#include <string>

// A copy of the launcher in folder whose archive TVIMAGE has an entry whose
// data would start 4 GB - 4 bytes later: on a 32-bit pointer that wraps
// round to just before the archive. Its header checksum matches its new
// bytes, so that only the archive is wrong. Empty when the archive is not found.
std::string LauncherWithCorruptArchive(const std::string& folder);

// A copy of the launcher in folder whose header checksum is one too high,
// as a download cut or changed on its way leaves it; empty on failure.
std::string DamagedLauncher(const std::string& folder);

#endif
