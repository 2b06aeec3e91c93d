// The failure type of the stream library and of the extraction built on it.
#ifndef TESSAROVEN_QV_STREAM_EXCEPTION_H
#define TESSAROVEN_QV_STREAM_EXCEPTION_H

// The file stream throws a pointer to a new object (the catcher owns and
// deletes it); the inflate engine throws by value with the text
// "Zlib-Fehler". A handler that wants every stream failure catches both.
class QvStreamException {
public:
    // Failure codes, with who raises them, how they are thrown and their text.
    enum : int {
        ReadFailed = 1,           // QvFileStream::Read, pointer, no text: ReadFile failed
        WriteFailed = 2,          // QvFileStream::Write, pointer, no text: WriteFile failed
        ShortWrite = 3,           // QvFileStream::Write, pointer, no text: fewer bytes written than asked
        PositionFailed = 4,       // QvFileStream Tell/Seek/Length, pointer, no text: SetFilePointer
                                  // failed, or Length did not get back to its position
        UnlockFailed = 6,         // QvFileStream::Unlock, pointer, no text: UnlockFile failed
        OpenFailed = 7,           // QvFileStream(path, flags), pointer, the path: Open failed
        CloseFailed = 8,          // QvFileStream::Close and destructor, pointer, no text: CloseHandle failed
        InflateInitFailed = -5,   // QvInflateEngine::BeginInflate, value: inflateInit_ failed
        InflateEndFailed = -9,    // QvInflateEngine::EndInflate, value: inflateEnd failed
        NoInputBuffer = -10,      // QvInflateEngine constructor, value: input buffer not allocated
        WrongInflateState = -11,  // Begin/InflateInto/EndInflate, value: called in a state that forbids it
        // Codes of the unpacking (launcher/unpacking.h), all thrown as pointers:
        StreamIncomplete = 20,    // UnpackEntry, the path: the entry's zlib stream did not reach
                                  // its proper end (damaged or cut short)
        CorruptArchive = 21,      // UnpackArchives and ResourceArchiveSource, "name: why": the
                                  // archive's directory is corrupt, or it cannot be read
        PathTooLong = 22,         // UnpackEntry, the path: a target path longer than the platform opens
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
