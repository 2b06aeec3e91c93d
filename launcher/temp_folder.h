// The temporary folder a run works in. An unelevated run takes the
// user's, in an 8-bit form that names it exactly, or the drive's root when
// there is none. An elevated run works where standard users can neither
// delete nor rename what it creates: the machine's temporary folder in the
// Windows folder, whatever TEMP and TMP say; the user owns the user's
// temporary folder and may move any child of it aside, whatever the
// child's own access list. Portable: the platform's answers come through
// PathQueries (ansi_path.h), so that the rule is tried natively and on
// answers no test machine gives.
#ifndef TESSAROVEN_TEMP_FOLDER_H
#define TESSAROVEN_TEMP_FOLDER_H

#include "ansi_path.h"
#include "qv_string.h"
#include "run_account.h"

// Where a run creates its script and its working folder.
struct TempFolderChoice {
    // True when folder is usable; false when an elevated run's machine
    // folder is not, which fails the run: it never falls back to the
    // user's folder.
    bool usable = false;
    // Usable: the folder, ending in a backslash. Otherwise the machine
    // folder as far as it is known (its 8-bit form, '?' where the code
    // page lacks a character), for the report; empty when the Windows
    // folder itself could not be read.
    QvString folder;
    unsigned long error = 0;  // not usable: the platform's error code
};

// The folder of a run of account:
// - not elevated: the first of the reported temporary folder and its short
//   form whose 8-bit form is exact and of the form letter, colon, backslash
//   within MAX_PATH, terminator included; "C:\" when neither is (a failed
//   query, a network path or a relative one, a volume without short names);
// - elevated: Temp in the Windows folder, or for SYSTEM SystemTemp there
//   when that exists; it must exist and have such an 8-bit form, or the
//   choice is not usable.
// Throws std::bad_alloc when memory runs out.
TempFolderChoice ChooseTempFolder(const PathQueries& paths, RunAccount account);

#endif
