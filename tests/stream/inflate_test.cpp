// The portable stream pieces: memory reader, inflate engine states, the
// converter's transfer and the inflating reader.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "archive_builder.h"
#include "qv_inflate.h"
#include "qv_memory_reader.h"
#include "qv_stream_exception.h"

namespace {

// Records every Write: the bytes, and the size of each call.
struct RecordingWriter : QvWriter {
    std::string bytes;
    std::vector<uint32_t> calls;
    uint32_t Write(const void* buffer, uint32_t count) override {
        bytes.append(static_cast<const char*>(buffer), count);
        calls.push_back(count);
        return count;
    }
};

// A memory reader that logs how much each Read asked for.
struct LoggingReader : QvReader {
    QvMemoryReader inner;
    std::vector<uint32_t> asked;
    LoggingReader(const Bytes& b, uint32_t size) : inner(b.data(), size) {}
    uint32_t Read(void* buffer, uint32_t count) override {
        asked.push_back(count);
        return inner.Read(buffer, count);
    }
};

struct ThrowingWriter : QvWriter {
    uint32_t Write(const void*, uint32_t) override { throw 42; }
};

// Reaches the engine's zlib record to make zlib fail on purpose.
struct EngineProbe : QvInflateEngine {
    EngineProbe() : QvInflateEngine(64) {}
    void BreakZlibState() { stream.state = nullptr; }
    void RestoreForCleanup(z_stream saved) { stream = saved; }
    z_stream Saved() const { return stream; }
};

int CodeOf(void (*action)(QvInflateEngine&), QvInflateEngine& engine) {
    try {
        action(engine);
    } catch (const QvStreamException& e) {
        EXPECT_STREQ("Zlib-Fehler", e.Detail());
        return e.Code();
    }
    return 0;
}

void DoBegin(QvInflateEngine& e) { e.BeginInflate(); }
void DoEnd(QvInflateEngine& e) { e.EndInflate(); }
void DoInflate(QvInflateEngine& e) {
    Bytes none;
    QvMemoryReader reader(none.data(), 0);
    char out[8];
    e.InflateInto(out, sizeof out, reader);
}

}  // namespace

TEST(MemoryReader, DeliversTheRestThenNothing) {
    const char data[] = "abcdefgh";
    QvMemoryReader reader(data, 8);
    char out[16] = {};
    EXPECT_EQ(0u, reader.Read(out, 0));
    EXPECT_EQ(5u, reader.Read(out, 5));
    EXPECT_EQ(3u, reader.Read(out, 10));
    EXPECT_EQ(std::string("fgh"), std::string(out, 3));
    EXPECT_EQ(0u, reader.Read(out, 10));
}

TEST(StreamException, CopiesCarryTheirOwnText) {
    QvStreamException original(7, "C:\\TEMP\\x.bin");
    QvStreamException copy(original);
    EXPECT_EQ(7, copy.Code());
    EXPECT_STREQ("C:\\TEMP\\x.bin", copy.Detail());
    EXPECT_NE(original.Detail(), copy.Detail());
    QvStreamException assigned(1);
    EXPECT_EQ(nullptr, assigned.Detail());
    assigned = original;
    EXPECT_STREQ(original.Detail(), assigned.Detail());
    EXPECT_NE(original.Detail(), assigned.Detail());
    QvStreamException noText(3, nullptr);
    EXPECT_EQ(nullptr, noText.Detail());
}

// Each state seen by what it allows: idle, neither inflating nor ending;
// inflating, no second begin; ended, inflating returns 0 and keeps the
// result that ended it.
TEST(InflateEngine, StateTableAndEveryWrongStateCase) {
    QvInflateEngine engine(113);
    EXPECT_EQ(-11, CodeOf(DoInflate, engine));
    EXPECT_EQ(-11, CodeOf(DoEnd, engine));

    engine.BeginInflate();
    EXPECT_EQ(-11, CodeOf(DoBegin, engine));
    EXPECT_EQ(Z_OK, engine.EndResult());

    // A reader with nothing in it ends the inflation without an exception.
    EXPECT_EQ(0, CodeOf(DoInflate, engine));
    EXPECT_EQ(Z_BUF_ERROR, engine.EndResult());
    EXPECT_EQ(0, CodeOf(DoInflate, engine));
    EXPECT_EQ(Z_BUF_ERROR, engine.EndResult());
    EXPECT_EQ(-11, CodeOf(DoBegin, engine));

    engine.EndInflate();
    EXPECT_EQ(-11, CodeOf(DoEnd, engine));
    EXPECT_EQ(-11, CodeOf(DoInflate, engine));
    engine.BeginInflate();  // reusable after the end
    engine.EndInflate();    // from inflating straight to idle
    EXPECT_EQ(-11, CodeOf(DoEnd, engine));
    EXPECT_EQ(-11, CodeOf(DoInflate, engine));
}

TEST(InflateEngine, FailingInflateEndIsCodeMinus9) {
    EngineProbe engine;
    engine.BeginInflate();
    z_stream saved = engine.Saved();
    engine.BreakZlibState();
    EXPECT_EQ(-9, CodeOf(DoEnd, engine));
    engine.RestoreForCleanup(saved);
    engine.EndInflate();
}

TEST(InflatingConverter, InflatesWholeStreamInSmallPiecesAndRefills) {
    std::string text = VariedText(50000);
    Bytes packed = Deflate(text);
    LoggingReader reader(packed, static_cast<uint32_t>(packed.size()));
    RecordingWriter writer;
    QvInflatingConverter converter;
    EXPECT_EQ(text.size(), converter.Transfer(writer, reader, 0));
    EXPECT_EQ(text, writer.bytes);
    EXPECT_EQ(Z_STREAM_END, converter.EndResult());
    EXPECT_EQ(-11, CodeOf(DoEnd, converter));  // ended and released: idle
    for (uint32_t n : writer.calls) {
        EXPECT_GT(n, 0u);
        EXPECT_LE(n, 100u);
    }
    for (uint32_t n : reader.asked) EXPECT_EQ(113u, n);
    EXPECT_GE(writer.calls.size(), text.size() / 100);

    // The same converter serves a second transfer.
    QvMemoryReader again(packed.data(), static_cast<uint32_t>(packed.size()));
    RecordingWriter second;
    EXPECT_EQ(text.size(), converter.Transfer(second, again, 0));
    EXPECT_EQ(text, second.bytes);
}

TEST(InflatingConverter, LimitsShortReadersCorruptDataAndReverse) {
    std::string text = VariedText(3000, 7);
    Bytes packed = Deflate(text);
    QvInflatingConverter converter;
    {
        QvMemoryReader reader(packed.data(), static_cast<uint32_t>(packed.size()));
        RecordingWriter writer;
        EXPECT_EQ(250u, converter.Transfer(writer, reader, 250));
        EXPECT_EQ(text.substr(0, 250), writer.bytes);
        EXPECT_EQ(Z_OK, converter.EndResult());  // stopped by the limit, not ended
    }
    {
        // A reader that runs dry mid-stream: what was inflated, and no exception.
        QvMemoryReader reader(packed.data(), static_cast<uint32_t>(packed.size() / 2));
        RecordingWriter writer;
        uint32_t got = converter.Transfer(writer, reader, 0);
        EXPECT_GT(got, 0u);
        EXPECT_LT(got, text.size());
        EXPECT_EQ(text.substr(0, got), writer.bytes);
        EXPECT_EQ(Z_BUF_ERROR, converter.EndResult());
    }
    {
        // More bytes than the stream: the tail is ignored.
        Bytes longer = packed;
        longer.insert(longer.end(), 500, 0xAB);
        QvMemoryReader reader(longer.data(), static_cast<uint32_t>(longer.size()));
        RecordingWriter writer;
        EXPECT_EQ(text.size(), converter.Transfer(writer, reader, 0));
        EXPECT_EQ(Z_STREAM_END, converter.EndResult());
    }
    {
        Bytes corrupt = packed;
        corrupt[corrupt.size() - 1] ^= 0xFF;  // the Adler-32 no longer matches
        QvMemoryReader reader(corrupt.data(), static_cast<uint32_t>(corrupt.size()));
        RecordingWriter writer;
        EXPECT_NO_THROW(converter.Transfer(writer, reader, 0));
        EXPECT_EQ(Z_DATA_ERROR, converter.EndResult());
    }
    {
        QvMemoryReader reader(packed.data(), static_cast<uint32_t>(packed.size()));
        RecordingWriter writer;
        EXPECT_EQ(0u, converter.ReverseTransfer(writer, reader, 0));
        EXPECT_TRUE(writer.calls.empty());
        EXPECT_EQ(packed.size(), reader.Remaining());
    }
    {
        // An empty file's stream inflates to nothing, cleanly.
        Bytes empty = Deflate("");
        QvMemoryReader reader(empty.data(), static_cast<uint32_t>(empty.size()));
        RecordingWriter writer;
        EXPECT_EQ(0u, converter.Transfer(writer, reader, 0));
        EXPECT_EQ(Z_STREAM_END, converter.EndResult());
    }
}

TEST(InflatingConverter, WriterExceptionLeavesAtOnceAndDestructorReleasesZlib) {
    Bytes packed = Deflate(VariedText(1000));
    auto* converter = new QvInflatingConverter;
    QvMemoryReader reader(packed.data(), static_cast<uint32_t>(packed.size()));
    ThrowingWriter writer;
    EXPECT_THROW(converter->Transfer(writer, reader, 0), int);
    // Still inflating: not ended, and no new begin.
    EXPECT_EQ(Z_OK, converter->EndResult());
    EXPECT_EQ(-11, CodeOf(DoBegin, *converter));
    delete converter;  // the leak checker of the native run sees zlib's state freed
}

TEST(InflatingReader, ReadsThroughSmallRefills) {
    std::string text = VariedText(20000, 3);
    Bytes packed = Deflate(text);
    LoggingReader source(packed, static_cast<uint32_t>(packed.size()));
    std::string out;
    {
        QvInflatingReader reader(source);
        EXPECT_EQ(-11, CodeOf(DoBegin, reader));  // begun at once
        char buf[777];
        uint32_t n;
        while ((n = reader.Read(buf, sizeof buf)) > 0) out.append(buf, n);
        EXPECT_EQ(Z_STREAM_END, reader.EndResult());
    }
    EXPECT_EQ(text, out);
    for (uint32_t n : source.asked) EXPECT_EQ(100u, n);
}

TEST(InflatingReader, ZeroCountReadsReturnZeroAndChangeNothing) {
    std::string text = VariedText(5000, 8);
    Bytes packed = Deflate(text);
    LoggingReader source(packed, static_cast<uint32_t>(packed.size()));
    QvInflatingReader reader(source);
    char buf[300];
    std::string out;
    // At the start, in the middle (input left over from a refill) and at the end.
    EXPECT_EQ(0u, reader.Read(buf, 0));
    EXPECT_TRUE(source.asked.empty());
    out.append(buf, reader.Read(buf, sizeof buf));
    size_t asked = source.asked.size();
    EXPECT_EQ(0u, reader.Read(buf, 0));
    EXPECT_EQ(asked, source.asked.size());
    EXPECT_EQ(Z_OK, reader.EndResult());  // not ended by it
    uint32_t n;
    while ((n = reader.Read(buf, sizeof buf)) > 0) out.append(buf, n);
    EXPECT_TRUE(text == out) << out.size() << " of " << text.size() << " bytes";
    EXPECT_EQ(0u, reader.Read(buf, 0));
    EXPECT_EQ(Z_STREAM_END, reader.EndResult());
}
