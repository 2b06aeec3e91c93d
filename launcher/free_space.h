// Free space on the temporary folder's drive: the least a run needs, the
// query of the drive, and the message the user reads when it is short. The
// rule and the message are portable, so that they are tested natively too;
// the query and the message box need Windows (free_space_win32.cpp).
#ifndef TESSAROVEN_FREE_SPACE_H
#define TESSAROVEN_FREE_SPACE_H

#include "qv_string.h"

// The least free space on the temporary folder's drive, in bytes (10 MB).
const float kLeastFreeSpace = 10485760.0f;

// True when freeBytes, narrowed to single precision as the launcher has
// always compared it, is at least kLeastFreeSpace.
bool EnoughFreeSpace(double freeBytes);

// The no-space message in the user's language for drive (its letter and a
// colon) and freeBytes: the required and the available MB, each with one
// decimal.
QvString NoSpaceMessage(const char* drive, double freeBytes);

// Bytes available to the user on the drive whose root is root (for example
// "D:\"), or 0 when the query fails.
double GetDriveFreeSpace(const char* root);

// Shows message (NoSpaceMessage's) without owner window, on top and
// without icon, and returns once it is answered.
void ShowNoSpaceMessage(const char* message);

#endif
