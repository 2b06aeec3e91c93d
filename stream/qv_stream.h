// The stream interfaces: a reader, a writer and a random-access side that
// both share as a virtual base. Objects are deleted through their concrete
// classes, never through an interface, so the interfaces have no virtual
// destructor (and a protected one keeps such a delete from compiling).
#ifndef TESSAROVEN_QV_STREAM_H
#define TESSAROVEN_QV_STREAM_H

#include <stdint.h>

class QvReader {
public:
    // Delivers up to count bytes into buffer; returns how many, 0 when the source is exhausted.
    virtual uint32_t Read(void* buffer, uint32_t count) = 0;

protected:
    ~QvReader() = default;
};

class QvWriter {
public:
    // Writes count bytes from buffer; returns count.
    virtual uint32_t Write(const void* buffer, uint32_t count) = 0;

protected:
    ~QvWriter() = default;
};

class QvRandomAccess {
public:
    // The length; the position stays where it was.
    virtual uint32_t Length() = 0;
    // The current position.
    virtual uint32_t Tell() = 0;
    // Moves by distance from method (0 begin, 1 current, 2 end); returns the new position.
    virtual uint32_t Seek(int32_t distance, uint32_t method) = 0;
    // Locks a byte range against other handles; 0 on success, -1 on failure.
    virtual int Lock(uint32_t offset, uint32_t length) = 0;
    virtual void Unlock(uint32_t offset, uint32_t length) = 0;

protected:
    ~QvRandomAccess() = default;
};

class QvRandomReader : public QvReader, public virtual QvRandomAccess {
protected:
    ~QvRandomReader() = default;
};

class QvRandomWriter : public QvWriter, public virtual QvRandomAccess {
protected:
    ~QvRandomWriter() = default;
};

class QvReadWriteStream : public QvRandomReader, public QvRandomWriter {
protected:
    ~QvReadWriteStream() = default;
};

#endif
