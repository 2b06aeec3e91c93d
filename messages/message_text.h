// The launcher's entry to the message catalog: a text by id in the language
// of the user, as the platform reports it.
#ifndef TESSAROVEN_MESSAGE_TEXT_H
#define TESSAROVEN_MESSAGE_TEXT_H

// The ids of the catalog's messages that the launcher shows.
enum MessageId : int {
    kMessageCaption = 0,           // the caption of every message box of the launcher
    kMessageAbandonQuestion = 1,   // asked when the user closes the splash window
    kMessageNoSpace = 5,           // the drive (%s) has too little space: required and available MB (%.1f)
};

// Returns the text of message id (a MessageId, or any other id of the
// catalog) in the user's default language (the system's when the user has
// none), or "unknown msg text" for an id outside 0..36. Never null; the text is static and owned by the catalog, and the
// caller must not change or free it. Usable at any time, with or without
// windows.
const char* GetMessageText(int id);

// Returns the user's default language identifier (GetUserDefaultLangID on
// Windows); 0 when the user has none.
unsigned short QueryUserDefaultLanguage();

// Returns the system's default language identifier (GetSystemDefaultLangID
// on Windows).
unsigned short QuerySystemDefaultLanguage();

#ifndef _WIN32
// Host builds have no language settings: sets what the two queries above
// report (both start at 0, which selects English). Not thread-safe.
void SetStandInLanguages(unsigned short user, unsigned short system);
#endif

#endif
