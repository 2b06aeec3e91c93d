// zlib inflation behind the stream interfaces: an engine with a small
// fixed input buffer, a converter that inflates from a reader into a
// writer, and a reader that inflates from another reader.
#ifndef TESSAROVEN_QV_INFLATE_H
#define TESSAROVEN_QV_INFLATE_H

#include <stdint.h>
#include <zlib.h>

#include "qv_stream.h"

// Failures are thrown by value as QvStreamException with "Zlib-Fehler", by
// the codes named below (qv_stream_exception.h).
class QvInflateEngine {
public:
    enum State { Idle = 0, Inflating = 2, Ended = 3 };

    // Allocates the input buffer of inputSize bytes (NoInputBuffer if it cannot);
    // zlib is not initialised yet.
    explicit QvInflateEngine(uint32_t inputSize);
    // Frees the input buffer, and a zlib state an exception left active.
    virtual ~QvInflateEngine() noexcept(false);
    QvInflateEngine(const QvInflateEngine&) = delete;
    QvInflateEngine& operator=(const QvInflateEngine&) = delete;

    // Idle -> Inflating; WrongInflateState in any other state, InflateInitFailed
    // if zlib refuses.
    void BeginInflate();
    // Inflates up to count bytes into buffer, refilling input from reader;
    // returns the bytes produced. Any zlib result but Z_OK ends the inflation
    // (state Ended) without an exception; WrongInflateState when idle. A count of 0
    // returns 0 and changes nothing.
    uint32_t InflateInto(void* buffer, uint32_t count, QvReader& reader);
    // Inflating or Ended -> Idle; WrongInflateState when idle, InflateEndFailed
    // if zlib fails.
    void EndInflate();

    // The zlib result that ended the last inflation: Z_STREAM_END when the
    // stream was complete, an error when it was damaged or cut short, Z_OK
    // when it was not ended (still inflating, or stopped by a limit).
    int EndResult() const { return endResult; }
    // zlib's static text for the error that ended the last inflation, or
    // null (no error, or zlib gave none).
    const char* EndMessage() const { return endMessage; }
    // Input bytes taken from the reader that zlib has not consumed: once a
    // stream has ended, those that follow it in the last refill. Valid until
    // the next BeginInflate.
    uint32_t UnusedInput() const { return stream.avail_in; }

protected:
    z_stream stream;
    unsigned char* inputBuffer;
    uint32_t inputSize;
    int state;
    int endResult;
    const char* endMessage;
};

class QvStreamConverter {
public:
    // Moves data from reader to writer, at most limit bytes (0: no limit);
    // returns the bytes written.
    virtual uint32_t Transfer(QvWriter& writer, QvReader& reader, uint32_t limit) = 0;
    // The way back (deflating, for an inflating converter); no caller in the launcher.
    virtual uint32_t ReverseTransfer(QvWriter& writer, QvReader& reader, uint32_t limit) = 0;

protected:
    ~QvStreamConverter() = default;
};

class QvInflatingConverter : public QvInflateEngine, public QvStreamConverter {
public:
    // An engine with a 113-byte input buffer.
    QvInflatingConverter();
    // Inflates one zlib stream from reader into writer in pieces of at most
    // 100 bytes, one Write each. A writer's exception leaves at once.
    uint32_t Transfer(QvWriter& writer, QvReader& reader, uint32_t limit) override;
    // Does nothing and returns 0: the converter only inflates.
    uint32_t ReverseTransfer(QvWriter& writer, QvReader& reader, uint32_t limit) override;
};

// Part of the stream classes' interface, kept whole although the launcher
// inflates only through the converter.
class QvInflatingReader : public QvInflateEngine, public QvReader {
public:
    // Inflates from source (not owned), with a 100-byte input buffer; starts at once.
    explicit QvInflatingReader(QvReader& source);
    ~QvInflatingReader() noexcept(false) override;
    uint32_t Read(void* buffer, uint32_t count) override;

private:
    QvReader* source;
};

#endif
