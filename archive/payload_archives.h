// The eight payload archives, the one list of them: the six the launcher
// unpacks, in its order, then the two the next stage reads straight out of
// the launcher's file. The build packs and embeds exactly these (it reads
// the quoted names below, one a line, through cmake/payload.cmake), and the
// tests check the launcher against them.
#ifndef TESSAROVEN_PAYLOAD_ARCHIVES_H
#define TESSAROVEN_PAYLOAD_ARCHIVES_H

// Unpacked by the launcher, in this order; ends with a null pointer.
inline const char* const kExtractedArchives[] = {
    "BASE",
    "SETUPBASE",
    "SETUPMIRVASTONE",
    "MIRVASTONE",
    "TVIMAGE",
    "TVVERSION",
    nullptr,
};

// Left in the launcher's file for the next stage; ends with a null pointer.
inline const char* const kNextStageArchives[] = {
    "APPBASE",
    "MIRVAUNINST",
    nullptr,
};

// The two programs of the package that the archive kProgramsArchive carries
// at its top level, so that both are in the working folder once it is
// unpacked: the next stage the launcher starts, and the helper its clean-up
// script calls (by this name; the file adds ".exe"). The build and the
// release command refuse a payload without them (they read the three
// lines below).
inline const char kProgramsArchive[] = "SETUPBASE";
inline const char kNextStageProgram[] = "Zoratrel.exe";
inline const char kCleanUpHelper[] = "Kestavon";

#endif
