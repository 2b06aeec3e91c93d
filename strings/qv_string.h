// QvString: the launcher's reference-counted, copy-on-write 8-bit string.
//
// This header is also the public interface for other modules of the package
// that link against the launcher executable's exports (define QV_IMPORT_FROM_HOST
// before including it; see strings/qv_host_binding.h).
#ifndef TESSAROVEN_QV_STRING_H
#define TESSAROVEN_QV_STRING_H

#include <stdarg.h>

#include <exception>

#if defined(_WIN32) && defined(QV_BUILDING_HOST)
#define QV_API __declspec(dllexport)
#elif defined(_WIN32) && defined(QV_IMPORT_FROM_HOST)
#define QV_API __declspec(dllimport)
#else
#define QV_API
#endif

// Thrown by QvString::FormatMessageA when the platform cannot format the
// message. The text is static and owned by the library.
class QvStringError : public std::exception {
public:
    explicit QvStringError(const char* what) noexcept : what_(what) {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;
};

// Header that stands immediately in front of a string's characters, in the
// same allocation. refCount: >= 1 shared by that many strings, -1 locked
// (owned by one string alone), -2 the static shared empty block.
struct QvStringData {
    int refCount;
    int length;
    int allocLength;
    // Returns the first character, just behind the header.
    char* chars() { return reinterpret_cast<char*>(this + 1); }
};

class QvString {
public:
    // Empty string on the shared empty block; allocates nothing.
    QV_API QvString();
    // Shares src's block (one atomic increment); a locked src is copied.
    QV_API QvString(const QvString& src);
    // Copies p up to its first zero byte; null gives the empty string.
    QV_API QvString(const char* p);
    QV_API QvString(const unsigned char* p);
    // repeat copies of ch (zero byte allowed); repeat <= 0 gives the empty string.
    QV_API QvString(char ch, int repeat);
    // Exactly n bytes of p, zero bytes included; n <= 0 gives the empty string
    // without reading p.
    QV_API QvString(const char* p, int n);
    // Drops this string's reference; the last holder frees the block.
    QV_API ~QvString();

    // Every assignment returns this string.
    QV_API const QvString& operator=(const QvString& src);
    QV_API const QvString& operator=(const char* p);
    QV_API const QvString& operator=(const unsigned char* p);
    QV_API const QvString& operator=(char ch);

    QV_API const QvString& operator+=(const QvString& s);
    QV_API const QvString& operator+=(const char* p);
    QV_API const QvString& operator+=(char ch);

    // strcmp-style results; only the sign is promised. A null s counts as "".
    QV_API int Compare(const char* s) const;
    QV_API int CompareNoCase(const char* s) const;
    QV_API int Collate(const char* s) const;
    QV_API int CollateNoCase(const char* s) const;

    QV_API int GetLength() const;
    QV_API int GetAllocLength() const;
    QV_API bool IsEmpty() const;
    // Makes the string empty without allocating; a locked string keeps its block.
    QV_API void Empty();
    // The byte at index i (i == length gives the terminator); 0 outside 0..length.
    QV_API char GetAt(int i) const;
    QV_API char operator[](int i) const;
    // Stores ch at index i after making the block private; ignored outside 0..length-1.
    QV_API void SetAt(int i, char ch);

    // Returns the private, writable buffer of at least minLen characters,
    // owned by this string; finish with ReleaseBuffer.
    QV_API char* GetBuffer(int minLen);
    // Sets the length to newLen (-1: measure up to the first zero byte),
    // clamped to 0..GetAllocLength().
    QV_API void ReleaseBuffer(int newLen = -1);
    // GetBuffer(n) with the length set to n (a negative n counts as 0).
    QV_API char* GetBufferSetLength(int n);
    // Shrinks the block to exactly the length.
    QV_API void FreeExtra();
    // Returns the buffer and locks it to this string (never shared) until UnlockBuffer.
    QV_API char* LockBuffer();
    // Unlocks a locked buffer; does nothing on a string that is not locked.
    QV_API void UnlockBuffer();

    // The characters; valid until the string is next changed or destroyed.
    QV_API operator const char*() const;
    // 16-bit copy of the text, kept in this string's own block behind the
    // 8-bit text; valid until the string is next changed or destroyed.
    QV_API operator const unsigned short*();

    // Formatting (replace the whole text). On failure (std::bad_alloc) the string keeps its old text or is empty.
    // 'L' changes no size: %Lf, %Le, %Lg take a double (8 bytes) on both targets, never a long double.
    QV_API void Format(const char* format, ...);
    QV_API void FormatV(const char* format, va_list args);
    // Platform message formatting with inserts %1..%99; throws QvStringError
    // on failure and then keeps the old text.
    QV_API void FormatMessageA(const char* format, ...);

    // Extraction: new strings owning exactly the extracted characters.
    QV_API QvString Mid(int first) const;
    QV_API QvString Mid(int first, int count) const;
    QV_API QvString Left(int count) const;
    QV_API QvString Right(int count) const;
    QV_API QvString SpanIncluding(const char* set) const;
    QV_API QvString SpanExcluding(const char* set) const;

    // Searching: index of the hit, or -1.
    QV_API int Find(char ch) const;
    QV_API int Find(char ch, int start) const;
    QV_API int Find(const char* sub) const;
    QV_API int Find(const char* sub, int start) const;
    QV_API int ReverseFind(char ch) const;
    QV_API int FindOneOf(const char* set) const;

    // Case and code page, in place up to the first zero byte.
    QV_API void MakeUpper();
    QV_API void MakeLower();
    QV_API void MakeReverse();
    QV_API void CharToOemA();
    QV_API void OemToCharA();

    QV_API void TrimLeft();
    QV_API void TrimLeft(char ch);
    QV_API void TrimLeft(const char* set);
    QV_API void TrimRight();
    QV_API void TrimRight(char ch);
    QV_API void TrimRight(const char* set);

    // Editing; each returns the count named in its documentation.
    QV_API int Insert(int index, char ch);          // new length
    QV_API int Insert(int index, const char* s);    // new length
    QV_API int Delete(int index, int count);        // length before the call
    QV_API int Replace(char oldCh, char newCh);     // bytes replaced
    QV_API int Replace(const char* oldText, const char* newText);       // matches replaced
    QV_API int ReplaceNoCase(const char* oldText, const char* newText); // matches replaced
    QV_API int Remove(char ch);                     // bytes removed

protected:
    // The header of the current block.
    QV_API QvStringData* GetData() const;
    // Points at the shared empty block without releasing the previous one.
    QV_API void Init();
    // A fresh block of exactly n characters (refCount 1); the old one is not released.
    QV_API void AllocBuffer(int n);
    QV_API void AllocBeforeWrite(int n);
    QV_API void AllocCopy(QvString& dest, int copyLen, int copyIndex, int extraLen) const;
    QV_API void AssignCopy(int n, const char* src);
    QV_API void ConcatCopy(int len1, const char* src1, int len2, const char* src2);
    QV_API void ConcatInPlace(int n, const char* src);
    QV_API void CopyBeforeWrite();
    QV_API void Release();
    QV_API static void Release(QvStringData* data);
    // 0 for a null pointer, else the length of the zero-terminated text.
    QV_API static int SafeStrlen(const char* p);

private:
    friend struct QvStringEmptyHolder;
    friend QV_API QvString operator+(const QvString& a, const QvString& b);
    friend QV_API QvString operator+(const QvString& a, const char* b);
    friend QV_API QvString operator+(const char* a, const QvString& b);
    friend QV_API QvString operator+(const QvString& a, char b);
    friend QV_API QvString operator+(char a, const QvString& b);
    struct EmptyTag {};
    // Constant initialisation of the process-wide empty string; no code runs.
    constexpr QvString(EmptyTag, char* p) : text(p) {}
    // The body of Replace and ReplaceNoCase; returns the number of matches replaced.
    int ReplaceWith(const char* oldText, const char* newText, bool noCase);

    char* text;
};

// Concatenation: the result owns a block of exactly the summed length.
QV_API QvString operator+(const QvString& a, const QvString& b);
QV_API QvString operator+(const QvString& a, const char* b);
QV_API QvString operator+(const char* a, const QvString& b);
QV_API QvString operator+(const QvString& a, char b);
QV_API QvString operator+(char a, const QvString& b);

// Comparisons: Compare on the QvString operand (the left one when both are strings).
QV_API bool operator==(const QvString& a, const QvString& b);
QV_API bool operator==(const QvString& a, const char* b);
QV_API bool operator==(const char* a, const QvString& b);
QV_API bool operator!=(const QvString& a, const QvString& b);
QV_API bool operator!=(const QvString& a, const char* b);
QV_API bool operator!=(const char* a, const QvString& b);
QV_API bool operator<(const QvString& a, const QvString& b);
QV_API bool operator<(const QvString& a, const char* b);
QV_API bool operator<(const char* a, const QvString& b);
QV_API bool operator>(const QvString& a, const QvString& b);
QV_API bool operator>(const QvString& a, const char* b);
QV_API bool operator>(const char* a, const QvString& b);
QV_API bool operator<=(const QvString& a, const QvString& b);
QV_API bool operator<=(const QvString& a, const char* b);
QV_API bool operator<=(const char* a, const QvString& b);
QV_API bool operator>=(const QvString& a, const QvString& b);
QV_API bool operator>=(const QvString& a, const char* b);
QV_API bool operator>=(const char* a, const QvString& b);

// The process-wide empty string; it lives for the whole process.
QV_API const QvString& QvGetEmptyString();

#endif
