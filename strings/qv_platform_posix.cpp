// Portable stand-ins for the platform services of QvString, for hosts
// without the Win32 calls. They give the results the Windows calls give in
// the "C" locale with the ANSI code page 1252 and the OEM code page 850.
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

enum class ArgKind { Pointer, Int, LongLong, Double };

struct Insert {
    bool used = false;
    std::string conversion = "s";  // printf conversion behind '%', without the '%'
    ArgKind kind = ArgKind::Pointer;
};

ArgKind KindOf(const std::string& conversion) {
    char conv = conversion.empty() ? 's' : conversion.back();
    if (strchr("eEfgGaA", conv)) return ArgKind::Double;
    if (strchr("diouxXc", conv)) {
        if (conversion.find("ll") != std::string::npos || conversion.find("I64") != std::string::npos) return ArgKind::LongLong;
        return ArgKind::Int;
    }
    return ArgKind::Pointer;
}

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

}  // namespace

char* FormatMessageInserts(const char* format, va_list* args) {
    Insert inserts[100];
    int highest = 0;
    for (const char* p = format; *p;) {
        if (*p++ != '%') continue;
        if (*p >= '1' && *p <= '9') {
            std::string conversion = "s";
            int index = ParseInsert(p, &conversion);
            if (index == 0) return nullptr;
            inserts[index].used = true;
            inserts[index].conversion = conversion;
            inserts[index].kind = KindOf(conversion);
            if (index > highest) highest = index;
        } else if (*p) {
            ++p;
        }
    }
    // The arguments are taken in insert order, as the platform reads them.
    std::string rendered[100];
    for (int i = 1; i <= highest; ++i) {
        std::string pieceFormat = "%" + inserts[i].conversion;
        char piece[512];
        int n = 0;
        switch (inserts[i].kind) {
            case ArgKind::Pointer: {
                void* value = va_arg(*args, void*);
                if (inserts[i].conversion.back() == 's' && value == nullptr) return nullptr;
                n = snprintf(piece, sizeof piece, pieceFormat.c_str(), value);
                if (n >= static_cast<int>(sizeof piece) && inserts[i].conversion.back() == 's')
                    rendered[i] = static_cast<const char*>(value);
                break;
            }
            case ArgKind::Int: n = snprintf(piece, sizeof piece, pieceFormat.c_str(), va_arg(*args, int)); break;
            case ArgKind::LongLong: n = snprintf(piece, sizeof piece, pieceFormat.c_str(), va_arg(*args, long long)); break;
            case ArgKind::Double: n = snprintf(piece, sizeof piece, pieceFormat.c_str(), va_arg(*args, double)); break;
        }
        if (n < 0) return nullptr;
        if (rendered[i].empty()) rendered[i].assign(piece, n < static_cast<int>(sizeof piece) ? n : sizeof piece - 1);
    }
    std::string out;
    for (const char* p = format; *p;) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p >= '1' && *p <= '9') {
            std::string ignored;
            out += rendered[ParseInsert(p, &ignored)];
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
