// Stand-ins for the language queries on hosts without Windows language
// settings, so that the catalog and GetMessageText build and run natively.
#include "message_text.h"

namespace {

unsigned short g_userLanguage = 0;
unsigned short g_systemLanguage = 0;

}  // namespace

unsigned short QueryUserDefaultLanguage() { return g_userLanguage; }

unsigned short QuerySystemDefaultLanguage() { return g_systemLanguage; }

void SetStandInLanguages(unsigned short user, unsigned short system) {
    g_userLanguage = user;
    g_systemLanguage = system;
}
