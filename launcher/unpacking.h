// The main sequence's unpacking step: the archives the launcher carries, one
// after another, each found, checked and walked, and every record turned
// into its file below the working folder and its line of the clean-up
// script, with the run's files recording whatever is created.
#ifndef TESSAROVEN_UNPACKING_H
#define TESSAROVEN_UNPACKING_H

#include <stdint.h>

#include "archive_source.h"
#include "created_files.h"
#include "entry_name_rule.h"
#include "path_list.h"
#include "run_log.h"

// Unpacks the archives of kExtractedArchives that source holds, in that
// order (a missing one is skipped), into run's working folder, whose names
// and script must be in place (CreatedFiles::ReserveNames). Each archive's
// whole directory is checked against its size before any of its files is
// written; then each record goes to UnpackEntry at the working folder plus
// its name, recorded in run before the file is created, and gets its "del"
// line once the file is complete. Throws (as a pointer) QvStreamException
// CorruptArchive, whose text names the archive, the fault and the record,
// for a corrupt archive; lets the failures of source, UnpackEntry and the
// script through. What was created stays recorded in run either way. Each
// archive unpacked gets a line in log (null: none): its entries, bytes and
// milliseconds. Asks the work's checkpoint (background_work.h) before each
// entry and each piece written, which throws WorkStopped when the run is
// stopped.
void UnpackArchives(const ArchiveSource& source, CreatedFiles* run, RunLog* log);

// One entry into one file: creates the folders of targetPath (recording
// each new one in createdFolders), creates or empties the file and inflates
// the packedSize bytes at packed into it. Failures leave as
// QvStreamException, named as in qv_stream_exception.h: PathTooLong (with
// the path) when targetPath is longer than kLongestTargetPath, before any
// folder is created for it; the file stream's OpenFailed (with the path),
// WriteFailed, ShortWrite and CloseFailed, thrown as pointers; the engine's,
// by value; StreamIncomplete (pointer, with the path) when the zlib stream
// is damaged or cut short, reported even when closing the file fails as
// well; WorkStopped from the checkpoint before each piece. The file is
// always closed before the call returns or throws.
void UnpackEntry(const unsigned char* packed, uint32_t packedSize, const char* targetPath,
                 FolderList* createdFolders);

#endif
