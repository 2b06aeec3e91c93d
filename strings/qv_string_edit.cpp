// QvString searching, extraction, case and code-page changes, trimming and
// editing in place.
#include <ctype.h>
#include <string.h>

#include <climits>
#include <new>

#include "qv_platform.h"
#include "qv_string.h"
#include "qv_string_block.h"

using qvblock::OrEmpty;

namespace {

inline int IndexOrNone(const char* base, const char* hit) {
    return hit != nullptr ? static_cast<int>(hit - base) : -1;
}

// Case-insensitive search (A..Z only) from pos for sub, by upper-casing two
// temporary copies; returns the hit inside the original text or null.
const char* FindNoCase(const char* pos, const char* sub) {
    QvString haystack(pos);
    QvString needle(sub);
    haystack.MakeUpper();
    needle.MakeUpper();
    int index = haystack.Find(static_cast<const char*>(needle));
    return index >= 0 ? pos + index : nullptr;
}

const char* FindCase(const char* pos, const char* sub) { return strstr(pos, sub); }

}  // namespace

// ---- searching ----

int QvString::Find(char ch) const { return IndexOrNone(text, strchr(text, ch)); }

int QvString::Find(char ch, int start) const {
    if (start < 0) start = 0;
    if (start >= GetData()->length) return -1;
    return IndexOrNone(text, strchr(text + start, ch));
}

int QvString::Find(const char* sub) const { return IndexOrNone(text, strstr(text, OrEmpty(sub))); }

int QvString::Find(const char* sub, int start) const {
    if (start < 0) start = 0;
    if (start > GetData()->length) return -1;
    return IndexOrNone(text, strstr(text + start, OrEmpty(sub)));
}

int QvString::ReverseFind(char ch) const { return IndexOrNone(text, strrchr(text, ch)); }

int QvString::FindOneOf(const char* set) const {
    return IndexOrNone(text, strpbrk(text, OrEmpty(set)));
}

// ---- extraction ----

QvString QvString::Mid(int first) const {
    // Clamped before the subtraction, which would overflow for a very negative first.
    if (first < 0) first = 0;
    return Mid(first, GetData()->length - first);
}

QvString QvString::Mid(int first, int count) const {
    int length = GetData()->length;
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first > length) {
        first = length;
        count = 0;
    }
    if (count > length - first) count = length - first;
    QvString part;
    AllocCopy(part, count, first, 0);
    return part;
}

QvString QvString::Left(int count) const {
    int length = GetData()->length;
    if (count < 0) count = 0;
    if (count > length) count = length;
    QvString part;
    AllocCopy(part, count, 0, 0);
    return part;
}

QvString QvString::Right(int count) const {
    int length = GetData()->length;
    if (count < 0) count = 0;
    if (count > length) count = length;
    QvString part;
    AllocCopy(part, count, length - count, 0);
    return part;
}

QvString QvString::SpanIncluding(const char* set) const {
    return Left(static_cast<int>(strspn(text, OrEmpty(set))));
}

QvString QvString::SpanExcluding(const char* set) const {
    return Left(static_cast<int>(strcspn(text, OrEmpty(set))));
}

// ---- case and code page ----

void QvString::MakeUpper() {
    CopyBeforeWrite();
    if (!qvblock::IsEmptyBlock(GetData())) qvplatform::UpperInPlace(text);
}

void QvString::MakeLower() {
    CopyBeforeWrite();
    if (!qvblock::IsEmptyBlock(GetData())) qvplatform::LowerInPlace(text);
}

void QvString::MakeReverse() {
    CopyBeforeWrite();
    if (!qvblock::IsEmptyBlock(GetData())) qvplatform::ReverseInPlace(text);
}

void QvString::CharToOemA() {
    CopyBeforeWrite();
    if (!qvblock::IsEmptyBlock(GetData())) qvplatform::AnsiToOemInPlace(text);
}

void QvString::OemToCharA() {
    CopyBeforeWrite();
    if (!qvblock::IsEmptyBlock(GetData())) qvplatform::OemToAnsiInPlace(text);
}

// ---- trimming ----

namespace {

struct IsSpace {
    bool operator()(char c) const { return isspace(static_cast<unsigned char>(c)) != 0; }
};
struct IsChar {
    char ch;
    bool operator()(char c) const { return c == ch; }
};
struct InSet {
    const char* set;
    bool operator()(char c) const { return c != '\0' && strchr(set, c) != nullptr; }
};

// Index where the trailing run of matching bytes before the first zero byte
// begins, or -1 when no run is open there.
template <typename Match>
int TrailingRun(const char* text, Match match) {
    int runStart = -1;
    for (int i = 0; text[i] != '\0'; ++i) {
        if (match(text[i])) {
            if (runStart < 0) runStart = i;
        } else {
            runStart = -1;
        }
    }
    return runStart;
}

template <typename Match>
int LeadingRun(const char* text, int limit, Match match) {
    int n = 0;
    while (n < limit && text[n] != '\0' && match(text[n])) ++n;
    return n;
}

}  // namespace

namespace qvedit {

// Shortens the text to end at index cut (the start of a trailing run).
inline void CutAt(QvStringData* data, char* text, int cut) {
    text[cut] = '\0';
    data->length = cut;
}

// Moves the content behind the first count bytes to the front.
inline void DropFront(QvStringData* data, char* text, int count) {
    memmove(text, text + count, static_cast<size_t>(data->length - count) + 1);
    data->length -= count;
}

}  // namespace qvedit

void QvString::TrimRight() {
    CopyBeforeWrite();
    int cut = TrailingRun(text, IsSpace());
    if (cut >= 0) qvedit::CutAt(GetData(), text, cut);
}

void QvString::TrimRight(char ch) {
    CopyBeforeWrite();
    int cut = TrailingRun(text, IsChar{ch});
    if (cut >= 0) qvedit::CutAt(GetData(), text, cut);
}

void QvString::TrimRight(const char* set) {
    CopyBeforeWrite();
    int cut = TrailingRun(text, InSet{OrEmpty(set)});
    if (cut >= 0) qvedit::CutAt(GetData(), text, cut);
}

void QvString::TrimLeft() {
    CopyBeforeWrite();
    int count = LeadingRun(text, GetData()->length, IsSpace());
    if (count > 0) qvedit::DropFront(GetData(), text, count);
}

void QvString::TrimLeft(char ch) {
    CopyBeforeWrite();
    QvStringData* data = GetData();
    int count = 0;
    while (count < data->length && text[count] == ch) ++count;
    if (count > 0) qvedit::DropFront(data, text, count);
}

void QvString::TrimLeft(const char* set) {
    if (SafeStrlen(set) == 0) return;
    CopyBeforeWrite();
    int count = LeadingRun(text, GetData()->length, InSet{set});
    if (count > 0) qvedit::DropFront(GetData(), text, count);
}

// ---- editing ----

int QvString::Insert(int index, char ch) {
    CopyBeforeWrite();
    int length = GetData()->length;
    if (index < 0) index = 0;
    if (index > length) index = length;
    int newLength = qvblock::CheckedSum(length, 1);
    GetBuffer(newLength);  // exact-size growth, content kept
    memmove(text + index + 1, text + index, static_cast<size_t>(length - index) + 1);
    text[index] = ch;
    GetData()->length = newLength;
    return newLength;
}

int QvString::Insert(int index, const char* s) {
    if (index < 0) index = 0;
    int n = SafeStrlen(s);
    if (n == 0) return GetData()->length;
    // A text taken from this string itself must survive the move below.
    QvString own;
    if (s >= text && s <= text + GetData()->allocLength) {
        own = QvString(s, n);
        s = own;
    }
    CopyBeforeWrite();
    int length = GetData()->length;
    if (index > length) index = length;
    int newLength = qvblock::CheckedSum(length, n);
    GetBuffer(newLength);  // exact-size growth, content kept
    memmove(text + index + n, text + index, static_cast<size_t>(length - index) + 1);
    memcpy(text + index, s, static_cast<size_t>(n));
    GetData()->length = newLength;
    return newLength;
}

int QvString::Delete(int index, int count) {
    int length = GetData()->length;
    if (index < 0) index = 0;
    if (count > 0 && index < length) {
        if (count > length - index) count = length - index;  // never read past the text
        CopyBeforeWrite();
        memmove(text + index, text + index + count, static_cast<size_t>(length - index - count) + 1);
        GetData()->length = length - count;
    }
    return length;
}

int QvString::Replace(char oldCh, char newCh) {
    if (oldCh == newCh) return 0;
    CopyBeforeWrite();
    int length = GetData()->length;
    int count = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == oldCh) {
            text[i] = newCh;
            ++count;
        }
    }
    return count;
}

namespace {

typedef const char* (*Finder)(const char* pos, const char* sub);

// Matches of sub in every zero-terminated segment of [text, text + length).
int CountMatches(const char* text, int length, const char* sub, int subLen, Finder find) {
    int count = 0;
    const char* end = text + length;
    for (const char* segment = text; segment < end; segment += strlen(segment) + 1) {
        for (const char* hit = find(segment, sub); hit != nullptr; hit = find(hit + subLen, sub))
            ++count;
    }
    return count;
}

}  // namespace

int QvString::Replace(const char* oldText, const char* newText) {
    return ReplaceWith(oldText, newText, false);
}

int QvString::ReplaceNoCase(const char* oldText, const char* newText) {
    return ReplaceWith(oldText, newText, true);
}

int QvString::ReplaceWith(const char* oldText, const char* newText, bool noCase) {
    Finder find = noCase ? FindNoCase : FindCase;
    int oldLen = SafeStrlen(oldText);
    if (oldLen == 0) return 0;
    int newLen = SafeStrlen(newText);
    if (newText == nullptr) newText = "";
    int count = CountMatches(text, GetData()->length, oldText, oldLen, find);
    if (count == 0) return 0;

    // Texts that point into this string must outlive the rewrite.
    QvString oldCopy, newCopy;
    const char* blockEnd = text + GetData()->allocLength;
    if (oldText >= text && oldText <= blockEnd) oldText = oldCopy = QvString(oldText, oldLen);
    if (newText >= text && newText <= blockEnd) newText = newCopy = QvString(newText, newLen);

    CopyBeforeWrite();
    int length = GetData()->length;
    long long grown = static_cast<long long>(length) + static_cast<long long>(newLen - oldLen) * count;
    if (grown > INT_MAX - 1) throw std::bad_alloc();
    int newLength = static_cast<int>(grown);
    GetBuffer(newLength);  // exact-size growth, content kept

    int end = length;  // current end of the content
    try {
        for (int segment = 0; segment < end;) {
            const char* hit = find(text + segment, oldText);
            while (hit != nullptr) {
                int at = static_cast<int>(hit - text);
                memmove(text + at + newLen, text + at + oldLen, static_cast<size_t>(end - at - oldLen));
                memcpy(text + at, newText, static_cast<size_t>(newLen));
                end += newLen - oldLen;
                text[end] = '\0';
                hit = find(text + at + newLen, oldText);
            }
            segment += static_cast<int>(strlen(text + segment)) + 1;
        }
    } catch (...) {
        // The case-blind search allocates; if that fails midway the text
        // keeps the replacements made so far, with a length that matches it.
        GetData()->length = end;
        throw;
    }
    GetData()->length = newLength;
    text[newLength] = '\0';
    return count;
}

int QvString::Remove(char ch) {
    CopyBeforeWrite();
    QvStringData* data = GetData();
    if (qvblock::IsEmptyBlock(data)) return 0;
    int kept = 0;
    for (int i = 0; i < data->length; ++i) {
        if (text[i] != ch) text[kept++] = text[i];
    }
    int removed = data->length - kept;
    text[kept] = '\0';
    data->length = kept;
    return removed;
}
