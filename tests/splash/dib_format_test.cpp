// The portable picture layer: header completion, the checks that keep the
// loader inside the resource, and the run-length expander.
#include <gtest/gtest.h>

#include <vector>

#include "dib_bytes.h"
#include "dib_format.h"
#include "little_endian.h"

namespace {

std::vector<uint8_t> Expand(const std::vector<uint8_t>& rle, size_t targetSize, size_t* reached = nullptr) {
    // One byte of guard on each side, which the expander must leave alone.
    std::vector<uint8_t> buffer(targetSize + 2, 0xEE);
    size_t n = ExpandRle8(rle.data(), rle.size(), buffer.data() + 1, targetSize);
    EXPECT_EQ(0xEE, buffer.front());
    EXPECT_EQ(0xEE, buffer.back());
    if (reached != nullptr) *reached = n;
    return std::vector<uint8_t>(buffer.begin() + 1, buffer.end() - 1);
}

bool Plan(const DibFields& fields, DibPlan* plan) {
    std::vector<uint8_t> bytes = DibBytes(fields);
    return PlanDib(bytes.data(), bytes.size(), plan);
}

}  // namespace

TEST(DibRows, RoundedUpToWholeDoubleWords) {
    EXPECT_EQ(480u, DibRowSize(480, 8));
    EXPECT_EQ(4u, DibRowSize(3, 8));   // 24 bits -> 32
    EXPECT_EQ(4u, DibRowSize(1, 1));
    EXPECT_EQ(4u, DibRowSize(32, 1));
    EXPECT_EQ(8u, DibRowSize(33, 1));
    EXPECT_EQ(4u, DibRowSize(8, 4));
    EXPECT_EQ(8u, DibRowSize(9, 4));
    EXPECT_EQ(4u, DibRowSize(1, 24));
    EXPECT_EQ(12u, DibRowSize(3, 24));  // 9 bytes -> 12
    EXPECT_EQ(8u, DibRowSize(2, 32));
}

TEST(DibPlanning, SplashPictureIsCompletedAndItsPixelsFollowTheTable) {
    DibFields s;
    s.width = 480;
    s.height = 350;
    s.tableEntries = 256;
    s.pixels.assign(168000 + 2, 7);
    std::vector<uint8_t> bytes = DibBytes(s);
    DibPlan plan;
    ASSERT_TRUE(PlanDib(bytes.data(), bytes.size(), &plan));
    EXPECT_EQ(168000u, plan.imageSize);
    EXPECT_EQ(256u, plan.colours);
    EXPECT_EQ(1064u, plan.sourcePixelOffset);
    EXPECT_EQ(1064u + 168000u, plan.blockSize);

    std::vector<uint8_t> block(plan.blockSize);
    BuildDib(bytes.data(), bytes.size(), plan, block.data());
    EXPECT_EQ(168000u, ReadLe32(&block[kDibImageSize]));
    EXPECT_EQ(256u, ReadLe32(&block[kDibColoursUsed]));
    EXPECT_EQ(0u, ReadLe32(&block[kDibCompression]));
    // Everything else is the picture's own bytes.
    for (size_t i = 0; i < block.size(); ++i) {
        if (i >= kDibImageSize && i < kDibImageSize + 4) continue;
        if (i >= kDibColoursUsed && i < kDibColoursUsed + 4) continue;
        ASSERT_EQ(bytes[i], block[i]) << "byte " << i;
    }
    // The source is left as it was.
    EXPECT_EQ(0u, ReadLe32(&bytes[kDibImageSize]));
    EXPECT_EQ(0u, ReadLe32(&bytes[kDibColoursUsed]));
}

// Pictures of other depths, stated sizes and top-down rows go through the
// platform's loader and drawing in splash_picture_test.cpp.

TEST(DibPlanning, RefusesWhatCannotBeDrawnSafely) {
    DibPlan plan;
    DibFields good;
    good.width = 4;
    good.height = 2;
    good.tableEntries = 256;
    good.pixels.assign(8, 0);
    ASSERT_TRUE(Plan(good, &plan));

    std::vector<uint8_t> bytes = DibBytes(good);
    EXPECT_FALSE(PlanDib(nullptr, 0, &plan));
    EXPECT_FALSE(PlanDib(bytes.data(), 39, &plan));  // shorter than a header
    std::vector<uint8_t> shortHeader = bytes;
    shortHeader[0] = 12;  // the old core header is not read
    EXPECT_FALSE(PlanDib(shortHeader.data(), shortHeader.size(), &plan));
    std::vector<uint8_t> longHeader = bytes;
    WriteLe32(&longHeader[0], static_cast<uint32_t>(bytes.size() + 1));
    EXPECT_FALSE(PlanDib(longHeader.data(), longHeader.size(), &plan));
    // Missing pixel bytes, or a table beyond the data.
    EXPECT_FALSE(PlanDib(bytes.data(), bytes.size() - 1, &plan));
    EXPECT_FALSE(PlanDib(bytes.data(), 40 + 1023, &plan));

    auto refused = [&](void (*change)(DibFields&)) {
        DibFields s = good;
        change(s);
        DibPlan p;
        return !Plan(s, &p);
    };
    EXPECT_TRUE(refused([](DibFields& s) { s.planes = 2; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.bits = 7; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.bits = 0; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.width = 0; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.width = -4; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.height = 0; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.compression = 2; }));  // 4-bit runs
    EXPECT_TRUE(refused([](DibFields& s) { s.compression = 3; }));  // bit fields
    EXPECT_TRUE(refused([](DibFields& s) { s.compression = 1; s.bits = 4; s.tableEntries = 16; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.compression = 1; s.height = -2; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.coloursUsed = 257; s.tableEntries = 257; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.bits = 1; s.coloursUsed = 3; s.tableEntries = 3; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.imageSize = 9; }));  // more than the data hold
    EXPECT_TRUE(refused([](DibFields& s) { s.width = 0x7FFFFFFF; s.height = 0x7FFFFFFF; }));
    EXPECT_TRUE(refused([](DibFields& s) { s.height = static_cast<int32_t>(0x80000000u); }));
}

TEST(DibPlanning, RunLengthPicturesExpandIntoEveryRow) {
    DibFields s;
    s.width = 6;  // rows of 8 bytes
    s.height = 2;
    s.compression = kDibRle8;
    s.tableEntries = 256;
    // Bottom row: 6 x 9, end of line; top row: 3 x 4, absolute 5 6 7, end of picture.
    s.pixels = {6, 9, 0, 0, 3, 4, 0, 3, 5, 6, 7, 0, 0, 1};
    s.imageSize = static_cast<uint32_t>(s.pixels.size());
    std::vector<uint8_t> bytes = DibBytes(s);
    DibPlan plan;
    ASSERT_TRUE(PlanDib(bytes.data(), bytes.size(), &plan));
    EXPECT_EQ(16u, plan.imageSize);
    EXPECT_EQ(14u, plan.sourcePixelBytes);
    std::vector<uint8_t> block(plan.blockSize);
    BuildDib(bytes.data(), bytes.size(), plan, block.data());
    EXPECT_EQ(0u, ReadLe32(&block[kDibCompression]));
    EXPECT_EQ(16u, ReadLe32(&block[kDibImageSize]));
    std::vector<uint8_t> rows(block.begin() + 1064, block.end());
    EXPECT_EQ((std::vector<uint8_t>{9, 9, 9, 9, 9, 9, 0, 0, 4, 4, 4, 5, 6, 7, 0, 0}), rows);

    // A stated compressed size beyond the resource is cut to what is there.
    s.imageSize = 1000;
    bytes = DibBytes(s);
    ASSERT_TRUE(PlanDib(bytes.data(), bytes.size(), &plan));
    EXPECT_EQ(14u, plan.sourcePixelBytes);
}

TEST(RunLengthExpansion, RunsLinesAndEnd) {
    // Repeats, end of line rounding up to 4, absolute runs with their pad byte.
    EXPECT_EQ((std::vector<uint8_t>{1, 1, 1, 0, 2, 2, 0, 0, 3, 4, 5, 6, 7, 0, 0, 0}),
              Expand({3, 1, 0, 0, 2, 2, 0, 0, 0, 5, 3, 4, 5, 6, 7, 0xFF, 0, 1, 9, 9}, 16));
    // An even absolute run has no pad; end of line on a row boundary stays.
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 8, 0, 0, 0}), Expand({0, 4, 1, 2, 3, 4, 0, 0, 1, 8}, 8));
    // End of picture stops at once and reports where the output stopped.
    size_t reached = 0;
    EXPECT_EQ((std::vector<uint8_t>{5, 5, 0, 0}), Expand({2, 5, 0, 1, 2, 6}, 4, &reached));
    EXPECT_EQ(2u, reached);
}

TEST(RunLengthExpansion, DeltaSkipsItsOffsetsInPlace) {
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 0, 0}), Expand({1, 1, 0, 2, 7, 7, 1, 2}, 4));
    // A delta cut off at the end of the data ends the expansion.
    EXPECT_EQ((std::vector<uint8_t>{1, 0}), Expand({1, 1, 0, 2, 7}, 2));
}

TEST(RunLengthExpansion, StopsAtTheEndsOfBothBuffers) {
    size_t reached = 0;
    // Runs longer than the output are cut.
    EXPECT_EQ((std::vector<uint8_t>{9, 9, 9}), Expand({200, 9, 200, 8}, 3, &reached));
    EXPECT_EQ(3u, reached);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), Expand({0, 6, 1, 2, 3, 4, 5, 6}, 3, &reached));
    // An absolute run that claims more bytes than the input has copies what is there.
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 0, 0, 0, 0}), Expand({0, 200, 1, 2}, 6, &reached));
    EXPECT_EQ(2u, reached);
    // End of line at the very end of the output, and a lone byte of input.
    EXPECT_EQ((std::vector<uint8_t>{4, 4, 4}), Expand({3, 4, 0, 0, 0, 0, 5, 5}, 3, &reached));
    EXPECT_EQ(3u, reached);
    EXPECT_EQ((std::vector<uint8_t>{0, 0}), Expand({5}, 2, &reached));
    EXPECT_EQ(0u, reached);
    // Nothing at all to write into.
    std::vector<uint8_t> rle = {3, 1};
    EXPECT_EQ(0u, ExpandRle8(rle.data(), rle.size(), nullptr, 0));
    // Bytes no run reaches are cleared, whatever the buffer held.
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 0}), Expand({}, 4));
}
