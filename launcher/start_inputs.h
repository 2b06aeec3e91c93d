// What the launcher makes of what the platform tells it at its start: the
// command tail it passes on, the temporary folder it works in, and whether
// that folder's drive has room. Portable, so the rules are tested natively too.
#ifndef TESSAROVEN_START_INPUTS_H
#define TESSAROVEN_START_INPUTS_H

#include <stddef.h>

#include "qv_string.h"

// Room for a path from the platform, terminator included (MAX_PATH).
const size_t kPlatformPathBuffer = 260;

// The least free space on the temporary folder's drive, in bytes (10 MB).
const float kLeastFreeSpace = 10485760.0f;

// The tail of commandLine (the process's whole command line) that follows
// the program name, as a pointer into commandLine. A name that starts with
// a double quote runs to the next double quote, which belongs to it; any
// other name runs up to the first character of code 32 or less. The
// characters of code 1 to 32 after the name are skipped too. Never null.
const char* CommandTail(const char* commandLine);

// True when folder (length bytes) can be the launcher's temporary folder:
// of the form letter, colon, backslash (not a network path, a relative one
// or an empty one) and within kPlatformPathBuffer, terminator included.
bool IsUsableTempFolder(const char* folder, size_t length);

// True when freeBytes, narrowed to single precision as the launcher has
// always compared it, is at least kLeastFreeSpace.
bool EnoughFreeSpace(double freeBytes);

// The no-space message (message 5 in the user's language) for drive (its
// letter and a colon) and freeBytes: the required and the available MB,
// each with one decimal.
QvString NoSpaceMessage(const char* drive, double freeBytes);

#endif
