// Portable stand-ins for the platform services of QvString, for hosts
// without the Win32 calls. They give the results the Windows calls give in
// the "C" locale with the ANSI code page 1252 and the OEM code page 850.
#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "qv_platform.h"

namespace qvplatform {

int AtomicIncrement(volatile int* value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
int AtomicDecrement(volatile int* value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }

int MeasureText(const char* p) { return p != nullptr ? static_cast<int>(strlen(p)) : 0; }

namespace {
inline unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}
}  // namespace

int CompareNoCase(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        int d = FoldAscii(*x) - FoldAscii(*y);
        if (d != 0 || *x == 0) return d;
    }
}

int CollateNoCase(const char* a, const char* b) { return CompareNoCase(a, b); }
int Collate(const char* a, const char* b) { return strcmp(a, b); }

void UpperInPlace(char* p) {
    for (; *p; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - ('a' - 'A'));
}

void LowerInPlace(char* p) {
    for (; *p; ++p)
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + ('a' - 'A'));
}

void ReverseInPlace(char* p) {
    size_t n = strlen(p);
    for (size_t i = 0; i < n / 2; ++i) {
        char t = p[i];
        p[i] = p[n - 1 - i];
        p[n - 1 - i] = t;
    }
}

namespace {

// Bytes 0x80..0xFF of Windows-1252 in code page 850; '?' where 850 has no such character.
const unsigned char kAnsiToOem[128] = {
    0x3F, 0x3F, 0x3F, 0x9F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
    0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
    0xFF, 0xAD, 0xBD, 0x9C, 0xCF, 0xBE, 0xDD, 0xF5, 0xF9, 0xB8, 0xA6, 0xAE, 0xAA, 0xF0, 0xA9, 0xEE,
    0xF8, 0xF1, 0xFD, 0xFC, 0xEF, 0xE6, 0xF4, 0xFA, 0xF7, 0xFB, 0xA7, 0xAF, 0xAC, 0xAB, 0xF3, 0xA8,
    0xB7, 0xB5, 0xB6, 0xC7, 0x8E, 0x8F, 0x92, 0x80, 0xD4, 0x90, 0xD2, 0xD3, 0xDE, 0xD6, 0xD7, 0xD8,
    0xD1, 0xA5, 0xE3, 0xE0, 0xE2, 0xE5, 0x99, 0x9E, 0x9D, 0xEB, 0xE9, 0xEA, 0x9A, 0xED, 0xE8, 0xE1,
    0x85, 0xA0, 0x83, 0xC6, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    0xD0, 0xA4, 0x95, 0xA2, 0x93, 0xE4, 0x94, 0xF6, 0x9B, 0x97, 0xA3, 0x96, 0x81, 0xEC, 0xE7, 0x98,
};

// Bytes 0x80..0xFF of code page 850 in Windows-1252; box drawings become
// '+', '-' and '|', anything else without a counterpart '?'.
const unsigned char kOemToAnsi[128] = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xF8, 0xA3, 0xD8, 0xD7, 0x83,
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAE, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,
    0x3F, 0x3F, 0x3F, 0x7C, 0x2B, 0xC1, 0xC2, 0xC0, 0xA9, 0x2B, 0x7C, 0x2B, 0x2B, 0xA2, 0xA5, 0x2B,
    0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0xE3, 0xC3, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0xA4,
    0xF0, 0xD0, 0xCA, 0xCB, 0xC8, 0x3F, 0xCD, 0xCE, 0xCF, 0x2B, 0x2B, 0x3F, 0x3F, 0xA6, 0xCC, 0x3F,
    0xD3, 0xDF, 0xD4, 0xD2, 0xF5, 0xD5, 0xB5, 0xFE, 0xDE, 0xDA, 0xDB, 0xD9, 0xFD, 0xDD, 0xAF, 0xB4,
    0xAD, 0xB1, 0x3F, 0xBE, 0xB6, 0xA7, 0xF7, 0xB8, 0xB0, 0xA8, 0xB7, 0xB9, 0xB3, 0xB2, 0x3F, 0xA0,
};

void Translate(char* p, const unsigned char* table) {
    for (; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x80) *p = static_cast<char>(table[c - 0x80]);
    }
}

}  // namespace

void AnsiToOemInPlace(char* p) { Translate(p, kAnsiToOem); }
void OemToAnsiInPlace(char* p) { Translate(p, kOemToAnsi); }

namespace {

// The Windows runtime reads an 'L' size prefix as no change at all (its long
// double is its double); the host's printf would read a long double or a
// long long. Returns a copy of format without those prefixes, which the
// caller frees, or null when there is nothing to drop.
char* WithoutLPrefixes(const char* format, bool* failed) {
    *failed = false;
    if (strchr(format, 'L') == nullptr) return nullptr;
    char* copy = static_cast<char*>(malloc(strlen(format) + 1));
    if (copy == nullptr) {
        *failed = true;
        return nullptr;
    }
    char* out = copy;
    for (const char* p = format; *p != '\0';) {
        if (*p != '%') {
            *out++ = *p++;
            continue;
        }
        *out++ = *p++;
        if (*p == '%') {
            *out++ = *p++;
            continue;
        }
        while (*p != '\0' && strchr("#-+0 *.0123456789", *p) != nullptr) *out++ = *p++;
        while (*p != '\0' && strchr("hlLIjztwFN0123456789", *p) != nullptr) {
            if (*p == 'L')
                ++p;
            else
                *out++ = *p++;
        }
        // The conversion byte is copied as an ordinary byte by the next round.
    }
    *out = '\0';
    return copy;
}

}  // namespace

int FormatBounded(char* buf, size_t size, const char* format, va_list args) {
    bool failed;
    char* adjusted = WithoutLPrefixes(format, &failed);
    if (failed) return -1;
    int n = vsnprintf(buf, size, adjusted != nullptr ? adjusted : format, args);
    free(adjusted);
    return n;
}

void WidenText(unsigned short* dest, const char* text, int count) {
    for (int i = 0; i < count; ++i) {
        dest[i] = static_cast<unsigned char>(text[i]);
        if (text[i] == '\0') break;
    }
}

// ---- numbered inserts ----

namespace {

// Reads "%N" or "%N!conversion!" at p (p at the first digit); returns the index
// 1..99 and advances p, or 0 for a malformed insert.
int ParseInsert(const char*& p, std::string* conversion) {
    int index = *p++ - '0';
    if (*p >= '0' && *p <= '9') index = index * 10 + (*p++ - '0');
    if (index < 1 || index > 99) return 0;
    if (*p == '!') {
        const char* close = strchr(p + 1, '!');
        if (close == nullptr || close == p + 1) return 0;
        conversion->assign(p + 1, close);
        if (conversion->find('*') != std::string::npos) return 0;
        p = close + 1;
    }
    return index;
}

// How the platform uses an insert's argument: it takes every argument as one
// pointer-sized value and hands it to its printf with the insert's own
// conversion, so one argument can be shown in several ways.
enum class ArgUse { Text, Int, Int64, Pointer };

// The insert's conversion as the host's printf must see it, or false for
// conversions left out here: floating point (the platform does not format
// it) and wide texts.
bool HostConversion(const std::string& conversion, std::string* host, ArgUse* use) {
    size_t i = 0;
    while (i < conversion.size() && strchr("-+ #0", conversion[i]) != nullptr) ++i;
    while (i < conversion.size() && isdigit(static_cast<unsigned char>(conversion[i]))) ++i;
    if (i < conversion.size() && conversion[i] == '.') {
        ++i;
        while (i < conversion.size() && isdigit(static_cast<unsigned char>(conversion[i]))) ++i;
    }
    *host = "%" + conversion.substr(0, i);
    std::string rest = conversion.substr(i);
    bool wide64 = false;
    std::string size;
    if (rest.compare(0, 3, "I64") == 0 || rest.compare(0, 2, "ll") == 0) {
        wide64 = true;
        rest.erase(0, rest[0] == 'I' ? 3 : 2);
    } else if (rest.compare(0, 3, "I32") == 0) {
        rest.erase(0, 3);
    } else if (rest.compare(0, 2, "hh") == 0 || rest[0] == 'h') {
        size = rest.compare(0, 2, "hh") == 0 ? "hh" : "h";
        rest.erase(0, size.size());
    } else if (rest[0] == 'l') {
        rest.erase(0, 1);  // the platform's long is 32 bits wide
    }
    if (rest.size() != 1) return false;
    char conv = rest[0];
    if (conv == 's' || conv == 'p') {
        if (wide64 || !size.empty()) return false;
        *use = conv == 's' ? ArgUse::Text : ArgUse::Pointer;
        *host += conv;
        return true;
    }
    if (strchr("cdiouxX", conv) == nullptr || (conv == 'c' && (wide64 || !size.empty()))) return false;
    *use = wide64 ? ArgUse::Int64 : ArgUse::Int;
    *host += (wide64 ? "ll" : size) + conv;
    return true;
}

template <typename T>
bool AppendFormatted(std::string* out, const std::string& format, T value) {
    int n = snprintf(nullptr, 0, format.c_str(), value);
    if (n < 0) return false;
    size_t at = out->size();
    out->resize(at + static_cast<size_t>(n) + 1);
    snprintf(&(*out)[at], static_cast<size_t>(n) + 1, format.c_str(), value);
    out->resize(at + static_cast<size_t>(n));
    return true;
}

bool AppendInsert(std::string* out, const std::string& conversion, uintptr_t value) {
    std::string host;
    ArgUse use;
    if (!HostConversion(conversion, &host, &use)) return false;
    switch (use) {
        case ArgUse::Text:
            if (value == 0) return false;
            return AppendFormatted(out, host, reinterpret_cast<const char*>(value));
        case ArgUse::Pointer: return AppendFormatted(out, host, reinterpret_cast<void*>(value));
        case ArgUse::Int64: return AppendFormatted(out, host, static_cast<long long>(value));
        case ArgUse::Int: return AppendFormatted(out, host, static_cast<int>(value));
    }
    return false;
}

}  // namespace

char* FormatMessageInserts(const char* format, va_list* args) {
    int highest = 0;
    for (const char* p = format; *p;) {
        if (*p++ != '%') continue;
        if (*p >= '1' && *p <= '9') {
            std::string conversion;
            int index = ParseInsert(p, &conversion);
            if (index == 0) return nullptr;
            if (index > highest) highest = index;
        } else if (*p) {
            ++p;
        }
    }
    // The arguments are taken in order up to the highest insert, each as one
    // pointer-sized value, as the platform reads them.
    uintptr_t values[100] = {};
    for (int i = 1; i <= highest; ++i) values[i] = va_arg(*args, uintptr_t);
    std::string out;
    for (const char* p = format; *p;) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p >= '1' && *p <= '9') {
            std::string conversion = "s";
            int index = ParseInsert(p, &conversion);
            if (!AppendInsert(&out, conversion, values[index])) return nullptr;
            continue;
        }
        switch (*p) {
            case '\0': continue;
            case '0': p = ""; continue;  // ends the message without a line break
            case 'n': out += "\r\n"; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            default: out += *p; break;  // "%%", "% ", "%." and "%!" stand for the character itself
        }
        ++p;
    }
    char* buffer = static_cast<char*>(malloc(out.size() + 1));
    if (buffer == nullptr) return nullptr;
    memcpy(buffer, out.c_str(), out.size() + 1);
    return buffer;
}

void FreeMessage(char* buffer) { free(buffer); }

}  // namespace qvplatform
