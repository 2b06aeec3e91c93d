// The launcher's message catalog: every user-visible text in English,
// Italian, French and German, and the lookup that picks one by id and
// language. Portable: the language comes from two queries the caller
// passes in, so nothing here depends on the platform.
#ifndef TESSAROVEN_MESSAGE_CATALOG_H
#define TESSAROVEN_MESSAGE_CATALOG_H

// One message in its four languages. The texts are static Windows-1252
// strings (a line break is a single '\n'); English also serves every
// language without a column of its own.
struct MessageEntry {
    int id;
    const char* english;
    const char* italian;
    const char* french;
    const char* german;
};

// Number of messages; also the id of the record that ends the table.
constexpr int kMessageCount = 37;

// The catalog in id order: records 0..36 carry ids 0..36, record 37 is the
// terminator with id kMessageCount. Static, read-only, owned by the catalog.
extern const MessageEntry g_messageCatalog[kMessageCount + 1];

// The fixed text for an id the catalog does not hold; static, never null.
extern const char* const kUnknownMessageText;

// A platform query for a language identifier (Windows LANGID layout:
// primary language in the low 10 bits, sublanguage above).
typedef unsigned short (*LanguageQuery)();

// Returns the column of entry for languageId: German, French or Italian for
// those primary languages, English for any other. The pointer is entry's own.
const char* SelectMessageLanguage(const MessageEntry& entry, unsigned short languageId);

// Returns the language to show texts in: userLanguage's answer, or
// systemLanguage's when the user has none (0); the system is asked only then.
unsigned short ResolveMessageLanguage(LanguageQuery userLanguage, LanguageQuery systemLanguage);

// Returns the text of message id in the user's language, or
// kUnknownMessageText for an id outside the catalog. userLanguage is asked
// on every lookup that finds its id (never otherwise); systemLanguage only
// when userLanguage reports 0. The result points into the catalog and is
// never null; the caller must not change or free it.
const char* LookupMessageText(int id, LanguageQuery userLanguage, LanguageQuery systemLanguage);

#endif
