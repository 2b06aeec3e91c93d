// Free space on a drive.
#ifndef TESSAROVEN_FREE_SPACE_H
#define TESSAROVEN_FREE_SPACE_H

// Bytes available to the user on the drive named by drive (for example
// "D:"), or 0 when the query fails.
double GetDriveFreeSpace(const char* drive);

#endif
