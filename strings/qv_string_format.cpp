// QvString formatting: printf-style with a size estimated in advance, and
// message formatting with numbered inserts.
#include <ctype.h>
#include <stddef.h>
#include <string.h>

#include <climits>
#include <new>

#include "qv_platform.h"
#include "qv_string.h"
#include "qv_string_block.h"

namespace {

// Estimates beyond this are not trusted; the exact size is measured instead.
const long long kEstimateCeiling = INT_MAX / 4;

struct EstimateState {
    va_list* args;
    const char* blockFirst;  // the string's own characters, to spot arguments
    const char* blockLast;   // that point into them
    bool refersToSelf;
};

long long ReadDecimal(const char*& p) {
    long long value = 0;
    while (isdigit(static_cast<unsigned char>(*p))) {
        if (value < kEstimateCeiling) value = value * 10 + (*p - '0');
        ++p;
    }
    return value;
}

long long BoundedLength(const char* s, long long limit) {
    long long n = 0;
    while (n < limit && s[n] != '\0') ++n;
    return n;
}

enum class IntSize { Int, Long, LongLong, Pointer };

// Takes one integer argument of the size the prefix names, so that the walk
// stays in step with the arguments the printf engine will read.
void SkipInteger(va_list* args, IntSize size) {
    switch (size) {
        case IntSize::Int: (void)va_arg(*args, int); break;
        case IntSize::Long: (void)va_arg(*args, long); break;
        case IntSize::LongLong: (void)va_arg(*args, long long); break;
        case IntSize::Pointer: (void)va_arg(*args, void*); break;
    }
}

bool PointsInto(const EstimateState& st, const char* p) {
    return p != nullptr && p >= st.blockFirst && p <= st.blockLast;
}

// The size estimate: one walk over the format and a copy of the arguments.
// It is exact or generous for the common conversions; where it falls short
// the caller measures and grows, so it only has to be in step with the
// arguments, never an upper bound.
long long Estimate(const char* format, EstimateState& st) {
    long long total = 0;
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            ++total;
            ++p;
            continue;
        }
        if (p[1] == '%') {
            ++total;
            p += 2;
            continue;
        }
        ++p;
        long long width = 0;
        long long precision = 0;
        for (;; ++p) {
            if (*p == '#')
                total += 2;
            else if (*p == '*')
                width = va_arg(*st.args, int);
            else if (*p != '-' && *p != '+' && *p != '0' && *p != ' ')
                break;
        }
        if (width == 0) width = ReadDecimal(p);
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                precision = va_arg(*st.args, int);
                ++p;
            } else {
                precision = ReadDecimal(p);
            }
        }
        IntSize intSize = IntSize::Int;
        if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            intSize = IntSize::LongLong;
            p += 3;
        } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
            p += 3;
        } else if (*p == 'I' || *p == 'z' || *p == 't') {
            intSize = IntSize::Pointer;
            ++p;
        } else if ((p[0] == 'l' && p[1] == 'l') || (p[0] == 'h' && p[1] == 'h')) {
            intSize = p[0] == 'l' ? IntSize::LongLong : IntSize::Int;
            p += 2;
        } else if (*p == 'j') {
            intSize = IntSize::LongLong;
            ++p;
        } else if (*p == 'l') {
            intSize = IntSize::Long;
            ++p;
        } else if (*p == 'F' || *p == 'L' || *p == 'N' || *p == 'h') {
            // 'L' included: the runtime's long double is its double, so %Lf
            // reads 8 bytes there on both targets, never the compiler's wider
            // long double (12 bytes on i686).
            ++p;
        }
        long long item = 0;
        switch (*p) {
            case 'c':
            case 'C':
                (void)va_arg(*st.args, int);
                item = *p == 'c' ? 2 : 0;
                if (item < width) item = width;
                if (precision != 0 && item > precision) item = precision;
                break;
            case 's': {
                const char* s = va_arg(*st.args, const char*);
                if (PointsInto(st, s)) st.refersToSelf = true;
                if (s == nullptr)
                    item = 6;
                else
                    item = precision > 0 ? BoundedLength(s, precision) : BoundedLength(s, LLONG_MAX);
                if (item < 1) item = 1;
                if (item < width) item = width;
                if (precision != 0 && item > precision) item = precision;
                break;
            }
            case 'S':
            case 'Z':
                (void)va_arg(*st.args, void*);
                break;
            case 'd': case 'i': case 'o': case 'u': case 'x': case 'X':
                SkipInteger(st.args, intSize);
                item = width + precision > 32 ? width + precision : 32;
                break;
            case 'p':
                (void)va_arg(*st.args, void*);
                item = width + precision > 32 ? width + precision : 32;
                break;
            case 'e': case 'E': case 'f': case 'g': case 'G':
                (void)va_arg(*st.args, double);
                item = width + precision > 128 ? width + precision : 128;
                break;
            case 'a': case 'A':
                (void)va_arg(*st.args, double);
                break;
            case 'n':
                (void)va_arg(*st.args, void*);
                break;
            case '\0':
                return total;  // a lone '%' at the end: the walk stops at the terminator
            default:
                break;
        }
        total += item;
        if (total > kEstimateCeiling) total = kEstimateCeiling;
        ++p;
    }
    return total;
}

}  // namespace

void QvString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void QvString::FormatV(const char* format, va_list args) {
    if (format == nullptr) format = "";
    QvStringData* data = GetData();
    EstimateState st;
    va_list walk;
    va_copy(walk, args);
    st.args = &walk;
    st.blockFirst = text;
    st.blockLast = text + data->allocLength;
    st.refersToSelf = format >= st.blockFirst && format <= st.blockLast;
    long long estimate = Estimate(format, st);
    va_end(walk);
    if (estimate < 0) estimate = 0;

    // Output that reads this string's own text is built in a fresh block; the
    // old one is released only when the formatting is done.
    QvStringData* detached = nullptr;
    if (st.refersToSelf && !qvblock::IsEmptyBlock(data)) {
        detached = data;
        Init();
    }

    try {
        char* buf = GetBuffer(static_cast<int>(estimate));
        int capacity = GetData()->allocLength;
        char scratch[1];
        va_list pass;
        va_copy(pass, args);
        // The shared empty block is read-only: a zero-size estimate is measured
        // into a scratch byte instead.
        int needed = capacity > 0 ? qvplatform::FormatBounded(buf, static_cast<size_t>(capacity) + 1, format, pass)
                                  : qvplatform::FormatBounded(scratch, 1, format, pass);
        va_end(pass);
        if (needed > capacity) {
            if (capacity > 0) {
                // The cut output has replaced the text: should growing fail,
                // the string is left empty, never with a stale length.
                buf[0] = '\0';
                GetData()->length = 0;
            }
            buf = GetBuffer(needed);
            va_copy(pass, args);
            needed = qvplatform::FormatBounded(buf, static_cast<size_t>(needed) + 1, format, pass);
            va_end(pass);
        }
        if (needed < 0) {
            // A format the engine refuses leaves an empty text rather than stale bytes.
            if (!qvblock::IsEmptyBlock(GetData())) buf[0] = '\0';
        }
        ReleaseBuffer(-1);
    } catch (...) {
        if (detached != nullptr) {
            // The old block was only set aside: the string gets it back, text and all.
            Release();
            text = detached->chars();
        }
        throw;
    }
    if (detached != nullptr) Release(detached);
}

void QvString::FormatMessageA(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* message = format != nullptr ? qvplatform::FormatMessageInserts(format, &args) : nullptr;
    va_end(args);
    if (message == nullptr) throw QvStringError("QvString::FormatMessageA: the message could not be formatted");
    try {
        *this = message;
    } catch (...) {
        qvplatform::FreeMessage(message);
        throw;
    }
    qvplatform::FreeMessage(message);
}
