// GetMessageText: the catalog lookup fed by the platform's language queries.
#include "message_text.h"

#include "message_catalog.h"

const char* GetMessageText(int id) {
    return LookupMessageText(id, QueryUserDefaultLanguage, QuerySystemDefaultLanguage);
}
