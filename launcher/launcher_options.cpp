#include "launcher_options.h"

#include <string.h>

namespace {

const char kWait[] = "/wait";
const char kQuiet[] = "/quiet";
const char kLog[] = "/log=";

bool IsBlank(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u != 0 && u <= ' ';
}

// The end of the word that starts at word: the first blank outside a pair
// of double quotes, or the end of the text.
const char* WordEnd(const char* word) {
    bool quoted = false;
    const char* p = word;
    for (; *p != '\0' && (quoted || !IsBlank(*p)); ++p)
        if (*p == '"') quoted = !quoted;
    return p;
}

// Whether the word [begin, end) is name, ignoring case (ASCII letters only:
// the options are ASCII, and the locale must not change what matches).
bool IsWord(const char* begin, const char* end, const char* name) {
    size_t length = strlen(name);
    if (static_cast<size_t>(end - begin) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char a = begin[i], b = name[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

bool BeginsWith(const char* begin, const char* end, const char* name) {
    size_t length = strlen(name);
    return static_cast<size_t>(end - begin) >= length && IsWord(begin, begin + length, name);
}

// The length of [begin, end) without its double quotes.
size_t UnquotedLength(const char* begin, const char* end) {
    size_t length = 0;
    for (const char* p = begin; p < end; ++p)
        if (*p != '"') ++length;
    return length;
}

// [begin, end) without its double quotes into path; empty when it does not fit.
void CopyUnquoted(const char* begin, const char* end, char (&path)[kLogPathChars]) {
    size_t n = 0;
    if (UnquotedLength(begin, end) < kLogPathChars)
        for (const char* p = begin; p < end; ++p)
            if (*p != '"') path[n++] = *p;
    path[n] = '\0';
}

}  // namespace

LauncherOptions ReadLauncherOptions(const char* tail) {
    LauncherOptions options;
    options.nextStageTail = tail;
    const char* p = tail;
    while (IsBlank(*p)) ++p;
    for (;;) {
        const char* end = WordEnd(p);
        if (IsWord(p, end, kWait)) {
            options.wait = true;
        } else if (IsWord(p, end, kQuiet)) {
            options.quiet = true;
        } else if (BeginsWith(p, end, kLog) && UnquotedLength(p + strlen(kLog), end) > 0) {
            CopyUnquoted(p + strlen(kLog), end, options.logPath);
        } else {
            return options;
        }
        p = end;
        while (IsBlank(*p)) ++p;
        options.nextStageTail = p;
    }
}
