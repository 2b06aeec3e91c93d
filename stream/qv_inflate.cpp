#include "qv_inflate.h"

#include <string.h>

#include <new>

#include "qv_stream_exception.h"

namespace {

const char kZlibError[] = "Zlib-Fehler";
// The zlib interface the launcher was written against; any 1.x library accepts it.
const char kZlibInterfaceVersion[] = "1.1.4";
const uint32_t kPieceSize = 100;

[[noreturn]] void Fail(int code) { throw QvStreamException(code, kZlibError); }

}  // namespace

QvInflateEngine::QvInflateEngine(uint32_t inputSize)
    : inputBuffer(nullptr), inputSize(inputSize), state(Idle), endResult(Z_OK), endMessage(nullptr) {
    memset(&stream, 0, sizeof stream);
    stream.zalloc = Z_NULL;
    stream.zfree = Z_NULL;
    stream.opaque = Z_NULL;
    inputBuffer = new (std::nothrow) unsigned char[inputSize != 0 ? inputSize : 1];
    if (inputBuffer == nullptr) Fail(QvStreamException::NoInputBuffer);
}

QvInflateEngine::~QvInflateEngine() noexcept(false) {
    // A writer's exception inside Transfer leaves zlib's state allocated; release it here.
    if (state != Idle) inflateEnd(&stream);
    delete[] inputBuffer;
}

void QvInflateEngine::BeginInflate() {
    if (state != Idle) Fail(QvStreamException::WrongInflateState);
    if (inflateInit_(&stream, kZlibInterfaceVersion, static_cast<int>(sizeof(z_stream))) != Z_OK)
        Fail(QvStreamException::InflateInitFailed);
    stream.avail_in = 0;
    state = Inflating;
    endResult = Z_OK;
    endMessage = nullptr;
}

uint32_t QvInflateEngine::InflateInto(void* buffer, uint32_t count, QvReader& reader) {
    if (state != Inflating && state != Ended) Fail(QvStreamException::WrongInflateState);
    // Nothing asked, nothing done: zlib would take an empty buffer for the end.
    if (state == Ended || count == 0) return 0;
    stream.next_out = static_cast<Bytef*>(buffer);
    stream.avail_out = count;
    int r;
    do {
        if (stream.avail_in == 0) {
            stream.next_in = inputBuffer;
            stream.avail_in = reader.Read(inputBuffer, inputSize);
        }
        r = inflate(&stream, Z_NO_FLUSH);
    } while (stream.avail_out > 0 && r == Z_OK);
    if (r != Z_OK) {
        state = Ended;
        endResult = r;
        endMessage = stream.msg;
    }
    return count - stream.avail_out;
}

void QvInflateEngine::EndInflate() {
    if (state != Ended && state != Inflating) Fail(QvStreamException::WrongInflateState);
    if (inflateEnd(&stream) != Z_OK) Fail(QvStreamException::InflateEndFailed);
    state = Idle;
}

QvInflatingConverter::QvInflatingConverter() : QvInflateEngine(113) {}

uint32_t QvInflatingConverter::Transfer(QvWriter& writer, QvReader& reader, uint32_t limit) {
    if (limit == 0) limit = 0xFFFFFFFFu;
    uint32_t total = 0;
    BeginInflate();
    unsigned char piece[kPieceSize];
    uint32_t got;
    do {
        uint32_t n = limit < kPieceSize ? limit : kPieceSize;
        got = InflateInto(piece, n, reader);
        if (got > 0) {
            writer.Write(piece, got);
            total += got;
            limit -= got;
        }
    } while (limit > 0 && got > 0);
    EndInflate();
    return total;
}

uint32_t QvInflatingConverter::ReverseTransfer(QvWriter&, QvReader&, uint32_t) { return 0; }

QvInflatingReader::QvInflatingReader(QvReader& source) : QvInflateEngine(100), source(&source) {
    BeginInflate();
}

QvInflatingReader::~QvInflatingReader() noexcept(false) { EndInflate(); }

uint32_t QvInflatingReader::Read(void* buffer, uint32_t count) { return InflateInto(buffer, count, *source); }
