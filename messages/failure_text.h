// Texts of the launcher's own failure reports, kept apart from the catalog
// so that its 37 messages and their ids stay exactly as they are.
#ifndef TESSAROVEN_FAILURE_TEXT_H
#define TESSAROVEN_FAILURE_TEXT_H

#include "message_catalog.h"

// The report shown when the launcher could not prepare its files (the
// clean-up script or an unpacked file failed): a format taking the file's
// path (%s) and the failure code (%d). In English, Italian, French and
// German, Windows-1252, static.
extern const MessageEntry g_failureReport;

// Returns the failure report's format in the user's language (chosen as
// for the catalog); static, never null.
const char* GetFailureReportText();

// The report shown when the launcher's own file does not match the checksum
// in its header (a damaged download): a format taking the file's path (%s).
// In English, Italian, French and German, Windows-1252, static.
extern const MessageEntry g_damagedLauncherReport;

// Returns the damaged-file report's format in the user's language (chosen
// as for the catalog); static, never null.
const char* GetDamagedLauncherText();

// The report shown when no 8-bit path names the launcher's own file (its
// folder's name has characters the ANSI code page lacks, and the volume
// gives no short names), so that the next stage could not read the
// launcher: move it to a folder with a plain name. No argument. In
// English, Italian, French and German, Windows-1252, static.
extern const MessageEntry g_unnamableFolderReport;

// Returns the unnamable-folder report in the user's language (chosen as
// for the catalog); static, never null.
const char* GetUnnamableFolderText();

// Heads the lines of what a failed run could not remove and handed to the
// system to remove when it next starts. No conversions. In English,
// Italian, French and German, Windows-1252, static.
extern const MessageEntry g_leftoversHeading;

// Returns the leftovers' heading in the user's language (chosen as for the
// catalog); static, never null.
const char* GetLeftoversHeading();

// Heads the lines of what a failed run could not remove and the system
// would not take to remove at its next start either: the user must remove
// them. No conversions. In English, Italian, French and German,
// Windows-1252, static.
extern const MessageEntry g_leftBehindHeading;

// Returns the left-behind heading in the user's language (chosen as for the
// catalog); static, never null.
const char* GetLeftBehindHeading();

#endif
