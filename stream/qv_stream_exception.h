// The failure type of the stream library and of the extraction built on it.
#ifndef TESSAROVEN_QV_STREAM_EXCEPTION_H
#define TESSAROVEN_QV_STREAM_EXCEPTION_H

// Failure codes. The file stream throws a pointer to a new object (the
// catcher owns and deletes it); the inflate engine throws by value with the
// text "Zlib-Fehler". A handler that wants every stream failure catches both.
//
//   code  raised by                          thrown as  text      cause
//    1    QvFileStream::Read                 pointer    none      ReadFile failed
//    2    QvFileStream::Write                pointer    none      WriteFile failed
//    3    QvFileStream::Write                pointer    none      fewer bytes written than asked
//    4    QvFileStream Tell/Seek/Length      pointer    none      SetFilePointer failed, or Length
//                                                                 did not get back to its position
//    6    QvFileStream::Unlock               pointer    none      UnlockFile failed
//    7    QvFileStream(path, flags)          pointer    the path  Open failed
//    8    QvFileStream::Close, destructor    pointer    none      CloseHandle failed
//   -5    QvInflateEngine::BeginInflate      value      Zlib-...  inflateInit_ failed
//   -9    QvInflateEngine::EndInflate        value      Zlib-...  inflateEnd failed
//  -10    QvInflateEngine constructor        value      Zlib-...  input buffer not allocated
//  -11    Begin/InflateInto/EndInflate       value      Zlib-...  called in a state that forbids it
//
// Codes of the extraction (archive/), all thrown as pointers:
//   20    ExtractEntry                       pointer    the path  the entry's zlib stream did not reach
//                                                                 its proper end (damaged or cut short)
//   21    ExtractArchives                    pointer    name: why the archive's directory is corrupt
//   22    ExtractEntry                       pointer    the path  a target path does not fit its buffer
class QvStreamException {
public:
    enum : int {
        ReadFailed = 1,
        WriteFailed = 2,
        ShortWrite = 3,
        PositionFailed = 4,
        UnlockFailed = 6,
        OpenFailed = 7,
        CloseFailed = 8,
        InflateInitFailed = -5,
        InflateEndFailed = -9,
        NoInputBuffer = -10,
        WrongInflateState = -11,
        StreamIncomplete = 20,
        CorruptArchive = 21,
        PathTooLong = 22,
    };

    // An exception without a text.
    explicit QvStreamException(int code);
    // An exception with its own copy of text (null gives no text).
    QvStreamException(int code, const char* text);
    QvStreamException(const QvStreamException& other);
    QvStreamException& operator=(const QvStreamException& other);
    virtual ~QvStreamException();

    int Code() const { return code; }
    // The text, owned by the exception; null when there is none.
    const char* Detail() const { return detail; }

private:
    int code;
    char* detail;
};

#endif
