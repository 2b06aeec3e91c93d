// The temporary folder a run works in: the platform's, in an 8-bit form
// that names it exactly, or the drive's root when there is none. Portable:
// the platform's answers come through PathQueries (ansi_path.h), so that
// the rule is tried natively and on answers no test machine gives.
#ifndef TESSAROVEN_TEMP_FOLDER_H
#define TESSAROVEN_TEMP_FOLDER_H

#include "ansi_path.h"
#include "qv_string.h"

// The folder, ending in a backslash, in which the run creates its script
// and its working folder: the first of the reported folder and its short
// form whose 8-bit form is exact and of the form letter, colon, backslash
// within MAX_PATH, terminator included; "C:\" when neither is (a failed
// query, a network path or a relative one, a volume without short names).
// Throws std::bad_alloc when memory runs out.
QvString ChooseTempFolder(const PathQueries& paths);

#endif
