// Names of files and folders that do not exist yet.
#ifndef TESSAROVEN_UNIQUE_NAME_H
#define TESSAROVEN_UNIQUE_NAME_H

#include <windows.h>

#include <stdint.h>

#include "folder_list.h"
#include "qv_string.h"

// The first of up to 1000 candidates (pattern, a format with one %d, filled
// with 0 and then with pseudo-random numbers 0..32767) that names no existing
// file or folder; an empty string when all are taken. The generator is
// seeded once per process from the system's millisecond clock. Creates
// nothing, which is why the launcher itself reserves its names below; the
// tests use it to see the candidate sequence without touching the disk.
QvString MakeUniqueName(QvString pattern);

// Like MakeUniqueName, but the candidate is taken at once, so that two
// launchers starting together can never get the same name: a new folder
// (recorded at the front of createdFolders when that is not null) or a new
// empty file. Returns the name, or an empty string when no candidate could
// be created. A folder that cannot be recorded for lack of memory is
// removed again before std::bad_alloc leaves. security (null: the
// parent's) is what the new folder or file is created with.
QvString ReserveUniqueFolder(QvString pattern, FolderList* createdFolders, SECURITY_ATTRIBUTES* security);
QvString ReserveUniqueFile(QvString pattern, SECURITY_ATTRIBUTES* security);

// The pseudo-random generator: state = state * 214013 + 2531011 (mod 2^32);
// each number is (state >> 16) & 0x7FFF. Public so that the tests can pin
// the sequence (SeedUniqueNames is also the one seeding) and see that the
// first name seeds it once.
void SeedUniqueNames(uint32_t seed);
int NextUniqueNumber();
bool UniqueNamesSeeded();

// text with every percent sign doubled, so that it can stand in a pattern.
QvString EscapePercent(const char* text);

#endif
