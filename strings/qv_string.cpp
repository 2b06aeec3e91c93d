// QvString core: representation, reference counting, construction,
// assignment, concatenation, comparison and buffer access.
#include "qv_string.h"

#include <stddef.h>
#include <string.h>

#include <climits>
#include <new>

#include "qv_platform.h"
#include "qv_string_block.h"

namespace {

struct EmptyBlock {
    QvStringData header;
    char terminator;
};
static_assert(offsetof(EmptyBlock, terminator) == sizeof(QvStringData),
              "the empty block's terminator must stand right behind its header");

// Read-only on purpose: a stray write to the shared empty block faults at
// once instead of corrupting every empty string in the process.
const EmptyBlock g_emptyBlock = {{-2, 0, 0}, 0};

}  // namespace

struct QvStringEmptyHolder {
    static const QvString value;
};
// Constant-initialised: other modules may call into the executable before
// (or without) its start-up code having run.
const QvString QvStringEmptyHolder::value(QvString::EmptyTag(),
                                          const_cast<char*>(&g_emptyBlock.terminator));

namespace qvblock {

bool IsEmptyBlock(const QvStringData* data) { return data == &g_emptyBlock.header; }

QvStringData* NewBlock(int n) {
    if (n < 0) throw std::bad_alloc();
    QvStringData* data = static_cast<QvStringData*>(
        ::operator new(sizeof(QvStringData) + static_cast<size_t>(n) + 1));
    data->refCount = 1;
    data->length = n;
    data->allocLength = n;
    data->chars()[n] = '\0';
    return data;
}

void FreeBlock(QvStringData* data) { ::operator delete(data); }

int CheckedSum(int a, int b) {
    if (a < 0 || b < 0 || a > INT_MAX - 1 - b) throw std::bad_alloc();
    return a + b;
}

}  // namespace qvblock

using qvblock::IsEmptyBlock;

namespace {
// Overlap-safe copy; a count of 0 touches neither pointer (either may be null then).
inline void MoveBytes(char* dest, const char* src, int n) {
    if (n > 0) memmove(dest, src, static_cast<size_t>(n));
}
}  // namespace

const QvString& QvGetEmptyString() { return QvStringEmptyHolder::value; }

// ---- protected building blocks ----

QvStringData* QvString::GetData() const { return reinterpret_cast<QvStringData*>(text) - 1; }

void QvString::Init() { text = QvGetEmptyString().text; }

void QvString::AllocBuffer(int n) {
    if (n <= 0) {
        Init();
        return;
    }
    text = qvblock::NewBlock(n)->chars();
}

void QvString::Release() {
    Release(GetData());
    Init();
}

void QvString::Release(QvStringData* data) {
    if (IsEmptyBlock(data)) return;
    if (qvplatform::AtomicDecrement(&data->refCount) <= 0) qvblock::FreeBlock(data);
}

void QvString::CopyBeforeWrite() {
    QvStringData* old = GetData();
    if (old->refCount <= 1) return;
    AllocBuffer(old->length);
    // At length 0 this string is now on the shared empty block, which
    // already holds the terminator and must never be written.
    if (old->length > 0) memmove(text, old->chars(), static_cast<size_t>(old->length) + 1);
    Release(old);
}

void QvString::AllocBeforeWrite(int n) {
    QvStringData* data = GetData();
    if (data->refCount > 1 || n > data->allocLength) {
        Release();
        AllocBuffer(n);
    }
}

void QvString::AllocCopy(QvString& dest, int copyLen, int copyIndex, int extraLen) const {
    int total = qvblock::CheckedSum(copyLen, extraLen);
    if (total == 0) {
        dest.Init();
        return;
    }
    dest.AllocBuffer(total);
    MoveBytes(dest.text, text + copyIndex, copyLen);
}

void QvString::AssignCopy(int n, const char* src) {
    if (n < 0) n = 0;
    AllocBeforeWrite(n);
    QvStringData* data = GetData();
    if (IsEmptyBlock(data)) return;  // n == 0 after a release: nothing to store
    MoveBytes(text, src, n);
    data->length = n;
    text[n] = '\0';
}

void QvString::ConcatCopy(int len1, const char* src1, int len2, const char* src2) {
    int total = qvblock::CheckedSum(len1, len2);
    if (total == 0) return;
    AllocBuffer(total);
    MoveBytes(text, src1, len1);
    MoveBytes(text + len1, src2, len2);
}

void QvString::ConcatInPlace(int n, const char* src) {
    if (n <= 0) return;
    QvStringData* data = GetData();
    int newLength = qvblock::CheckedSum(data->length, n);
    if (data->refCount <= 1 && newLength <= data->allocLength) {
        MoveBytes(text + data->length, src, n);
        data->length = newLength;
        text[newLength] = '\0';
        return;
    }
    // The old block stays alive until the copy is made, so src may point into it.
    QvStringData* old = data;
    ConcatCopy(old->length, text, n, src);
    Release(old);
}

int QvString::SafeStrlen(const char* p) {
    if (p == nullptr) return 0;
    size_t n = strlen(p);
    if (n > static_cast<size_t>(INT_MAX - 1)) throw std::bad_alloc();
    return static_cast<int>(n);
}

// ---- construction and destruction ----

QvString::QvString() { Init(); }

QvString::QvString(const QvString& src) {
    QvStringData* data = src.GetData();
    if (data->refCount >= 0) {
        text = src.text;
        qvplatform::AtomicIncrement(&data->refCount);
    } else {
        Init();
        *this = static_cast<const char*>(src.text);
    }
}

QvString::QvString(const char* p) {
    Init();
    int n = SafeStrlen(p);
    if (n != 0) {
        AllocBuffer(n);
        memcpy(text, p, static_cast<size_t>(n));
    }
}

QvString::QvString(const unsigned char* p) {
    Init();
    *this = reinterpret_cast<const char*>(p);
}

QvString::QvString(char ch, int repeat) {
    Init();
    if (repeat >= 1) {
        AllocBuffer(repeat);
        memset(text, ch, static_cast<size_t>(repeat));
    }
}

QvString::QvString(const char* p, int n) {
    Init();
    if (n > 0) {
        AllocBuffer(n);
        memcpy(text, p, static_cast<size_t>(n));
    }
}

QvString::~QvString() { Release(GetData()); }

// ---- assignment and concatenation ----

const QvString& QvString::operator=(const QvString& src) {
    if (text == src.text) return *this;
    QvStringData* mine = GetData();
    QvStringData* theirs = src.GetData();
    if (IsEmptyBlock(mine) && IsEmptyBlock(theirs)) return *this;
    if (mine->refCount == -1 || theirs->refCount == -1) {
        AssignCopy(theirs->length, src.text);
    } else if (IsEmptyBlock(theirs)) {
        Release();
    } else {
        Release();
        text = src.text;
        qvplatform::AtomicIncrement(&theirs->refCount);
    }
    return *this;
}

const QvString& QvString::operator=(const char* p) {
    AssignCopy(SafeStrlen(p), p);
    return *this;
}

const QvString& QvString::operator=(const unsigned char* p) {
    return *this = reinterpret_cast<const char*>(p);
}

const QvString& QvString::operator=(char ch) {
    AssignCopy(1, &ch);
    return *this;
}

const QvString& QvString::operator+=(const QvString& s) {
    ConcatInPlace(s.GetData()->length, s.text);
    return *this;
}

const QvString& QvString::operator+=(const char* p) {
    ConcatInPlace(SafeStrlen(p), p);
    return *this;
}

const QvString& QvString::operator+=(char ch) {
    ConcatInPlace(1, &ch);
    return *this;
}

QvString operator+(const QvString& a, const QvString& b) {
    QvString joined;
    joined.ConcatCopy(a.GetData()->length, a.text, b.GetData()->length, b.text);
    return joined;
}

QvString operator+(const QvString& a, const char* b) {
    QvString joined;
    joined.ConcatCopy(a.GetData()->length, a.text, QvString::SafeStrlen(b), b);
    return joined;
}

QvString operator+(const char* a, const QvString& b) {
    QvString joined;
    joined.ConcatCopy(QvString::SafeStrlen(a), a, b.GetData()->length, b.text);
    return joined;
}

QvString operator+(const QvString& a, char b) {
    QvString joined;
    joined.ConcatCopy(a.GetData()->length, a.text, 1, &b);
    return joined;
}

QvString operator+(char a, const QvString& b) {
    QvString joined;
    joined.ConcatCopy(1, &a, b.GetData()->length, b.text);
    return joined;
}

// ---- comparison ----

using qvblock::OrEmpty;

int QvString::Compare(const char* s) const { return strcmp(text, OrEmpty(s)); }
int QvString::CompareNoCase(const char* s) const {
    return qvplatform::CompareNoCase(text, OrEmpty(s));
}
int QvString::Collate(const char* s) const { return qvplatform::Collate(text, OrEmpty(s)); }
int QvString::CollateNoCase(const char* s) const {
    return qvplatform::CollateNoCase(text, OrEmpty(s));
}

bool operator==(const QvString& a, const QvString& b) { return a.Compare(b) == 0; }
bool operator==(const QvString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const QvString& b) { return b.Compare(a) == 0; }
bool operator!=(const QvString& a, const QvString& b) { return a.Compare(b) != 0; }
bool operator!=(const QvString& a, const char* b) { return a.Compare(b) != 0; }
bool operator!=(const char* a, const QvString& b) { return b.Compare(a) != 0; }
bool operator<(const QvString& a, const QvString& b) { return a.Compare(b) < 0; }
bool operator<(const QvString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const QvString& b) { return b.Compare(a) > 0; }
bool operator>(const QvString& a, const QvString& b) { return a.Compare(b) > 0; }
bool operator>(const QvString& a, const char* b) { return a.Compare(b) > 0; }
bool operator>(const char* a, const QvString& b) { return b.Compare(a) < 0; }
bool operator<=(const QvString& a, const QvString& b) { return a.Compare(b) <= 0; }
bool operator<=(const QvString& a, const char* b) { return a.Compare(b) <= 0; }
bool operator<=(const char* a, const QvString& b) { return b.Compare(a) >= 0; }
bool operator>=(const QvString& a, const QvString& b) { return a.Compare(b) >= 0; }
bool operator>=(const QvString& a, const char* b) { return a.Compare(b) >= 0; }
bool operator>=(const char* a, const QvString& b) { return b.Compare(a) <= 0; }

// ---- element access ----

int QvString::GetLength() const { return GetData()->length; }
int QvString::GetAllocLength() const { return GetData()->allocLength; }
bool QvString::IsEmpty() const { return GetData()->length == 0; }

char QvString::GetAt(int i) const {
    // Out of range reads give the terminator's value rather than a stray byte.
    if (i < 0 || i > GetData()->length) return '\0';
    return text[i];
}

char QvString::operator[](int i) const { return GetAt(i); }

void QvString::SetAt(int i, char ch) {
    if (i < 0 || i >= GetData()->length) return;  // never the terminator, never outside
    CopyBeforeWrite();
    text[i] = ch;
}

void QvString::Empty() {
    QvStringData* data = GetData();
    if (data->length == 0) return;
    if (data->refCount < 0)
        *this = "";  // a locked string keeps its block and its lock
    else
        Release();
}

QvString::operator const char*() const { return text; }

// ---- direct buffer access ----

char* QvString::GetBuffer(int minLen) {
    QvStringData* old = GetData();
    if (old->refCount > 1 || minLen > old->allocLength) {
        int n = minLen > old->length ? minLen : old->length;
        AllocBuffer(n);
        if (n != 0) {
            memcpy(text, old->chars(), static_cast<size_t>(old->length) + 1);
            GetData()->length = old->length;
        }
        Release(old);
    }
    return text;
}

void QvString::ReleaseBuffer(int newLen) {
    CopyBeforeWrite();
    QvStringData* data = GetData();
    if (newLen == -1) newLen = qvplatform::MeasureText(text);
    if (newLen < 0) newLen = 0;
    if (newLen > data->allocLength) newLen = data->allocLength;
    if (IsEmptyBlock(data)) return;
    data->length = newLen;
    text[newLen] = '\0';
}

char* QvString::GetBufferSetLength(int n) {
    if (n < 0) n = 0;
    GetBuffer(n);
    QvStringData* data = GetData();
    if (!IsEmptyBlock(data)) {
        data->length = n;
        text[n] = '\0';
    }
    return text;
}

void QvString::FreeExtra() {
    QvStringData* old = GetData();
    if (old->length == old->allocLength) return;
    AllocBuffer(old->length);
    MoveBytes(text, old->chars(), old->length);
    Release(old);
}

char* QvString::LockBuffer() {
    char* p = GetBuffer(0);
    if (IsEmptyBlock(GetData())) {
        // The shared empty block can never carry a lock: take a block of our own.
        text = qvblock::NewBlock(0)->chars();
        p = text;
    }
    GetData()->refCount = -1;
    return p;
}

void QvString::UnlockBuffer() {
    // Only a locked block is ours alone; anything else would be a count we do not own.
    QvStringData* data = GetData();
    if (data->refCount == -1) data->refCount = 1;
}

QvString::operator const unsigned short*() {
    int length = GetData()->length;
    int off = qvblock::CheckedSum(length, 2) & ~1;
    if (off > INT_MAX / 3) throw std::bad_alloc();
    char* buf = GetBuffer(3 * off);
    unsigned short* wide = reinterpret_cast<unsigned short*>(buf + off);
    qvplatform::WidenText(wide, buf, length + 1);
    ReleaseBuffer(-1);
    return wide;
}
