// The language queries of Windows. Wrapped rather than passed on directly
// because the Win32 functions use the stdcall convention on i686, which a
// plain function pointer does not.
#include "message_text.h"

#include <windows.h>

unsigned short QueryUserDefaultLanguage() { return GetUserDefaultLangID(); }

unsigned short QuerySystemDefaultLanguage() { return GetSystemDefaultLangID(); }
