// The PE header checksum rule that the launcher's self-check and the
// release tool share: against hand-computed values, against the textbook
// word-by-word fold, for every way of cutting a file into pieces, and the
// search for the field in a header.
#include <gtest/gtest.h>

#include <stdint.h>

#include <random>
#include <vector>

#include "image_checksum.h"

namespace {

typedef std::vector<unsigned char> Bytes;

uint32_t OnePiece(const Bytes& file, uint32_t field) {
    ImageChecksum checksum(field);
    checksum.Add(file.data(), file.size());
    return checksum.Value();
}

// The rule as it is usually written: one 16-bit word at a time, the carry
// folded back after every addition, the field's words skipped.
uint32_t WordByWord(const Bytes& file, uint32_t field) {
    uint32_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        uint32_t low = i >= field && i < field + 4 ? 0 : file[i];
        uint32_t high = i + 1 >= file.size() || (i + 1 >= field && i + 1 < field + 4) ? 0 : file[i + 1];
        sum += low | high << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<uint32_t>(file.size());
}

TEST(ImageChecksum, HandComputedValues) {
    struct Case {
        const char* name;
        Bytes file;
        uint32_t field;
        uint32_t expected;
    };
    const Case cases[] = {
        {"empty file", {}, 100, 0},
        {"odd length: the last byte is a word of its own", {0x01, 0x02, 0x03}, 100, 0x0201 + 0x0003 + 3},
        {"carries fold back into the low word", {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00}, 100, 0x0001 + 6},
        {"the field counts as zeros", {0x01, 0x00, 0x09, 0x09, 0x09, 0x09, 0x02, 0x00}, 2, 0x0003 + 8},
        {"a field cut off by the end of the file", {0x01, 0x00, 0x09, 0x09}, 2, 0x0001 + 4},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, OnePiece(c.file, c.field)) << c.name;
}

TEST(ImageChecksum, AgreesWithTheWordByWordFoldForAnyPieces) {
    std::mt19937 random(20261208);
    for (size_t length : {1u, 2u, 7u, 64u, 1001u, 70000u}) {
        Bytes file(length);
        for (unsigned char& b : file) b = static_cast<unsigned char>(random());
        // Mostly 0xFF, so that the carries run long.
        if (length == 70000) std::fill(file.begin(), file.end() - 3, 0xFF);
        for (uint32_t field : {0u, 3u, static_cast<uint32_t>(length / 2), static_cast<uint32_t>(length)}) {
            SCOPED_TRACE(testing::Message() << length << " bytes, field at " << field);
            uint32_t expected = WordByWord(file, field);
            EXPECT_EQ(expected, OnePiece(file, field));
            // Pieces of every size from 1 to 9 bytes, then one cut at every place.
            for (size_t piece = 1; piece <= 9; ++piece) {
                ImageChecksum checksum(field);
                for (size_t at = 0; at < length; at += piece)
                    checksum.Add(file.data() + at, std::min(piece, length - at));
                EXPECT_EQ(expected, checksum.Value()) << "pieces of " << piece;
                EXPECT_EQ(length, checksum.Length());
            }
            if (length > 1001) continue;
            for (size_t cut = 0; cut <= length; ++cut) {
                ImageChecksum checksum(field);
                checksum.Add(file.data(), cut);
                checksum.Add(file.data() + cut, length - cut);
                ASSERT_EQ(expected, checksum.Value()) << "cut at " << cut;
            }
        }
    }
}

TEST(ImageChecksum, AnyOneChangedByteChangesIt) {
    Bytes file(4096);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<unsigned char>(i * 7 + (i >> 8));
    uint32_t original = OnePiece(file, 200);
    for (size_t at : {0u, 1u, 199u, 204u, 4095u}) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes changed = file;
            changed[at] ^= static_cast<unsigned char>(1 << bit);
            EXPECT_NE(original, OnePiece(changed, 200)) << "byte " << at << ", bit " << bit;
        }
    }
    // The field itself is not covered: the value stored there does not change it.
    Bytes stored = file;
    stored[200] ^= 0xFF;
    stored[203] ^= 0x01;
    EXPECT_EQ(original, OnePiece(stored, 200));
}

// A header of the given kind: MZ, e_lfanew, signature, file header with the
// optional header's size, and the checksum 0x11223344 in the optional header.
Bytes Header(uint32_t peOffset, uint16_t optionalSize, bool signature = true) {
    Bytes head(peOffset + 24 + optionalSize, 0);
    head[0] = 'M';
    head[1] = 'Z';
    for (int i = 0; i < 4; ++i) head[0x3C + i] = static_cast<unsigned char>(peOffset >> (8 * i));
    if (signature) {
        head[peOffset] = 'P';
        head[peOffset + 1] = 'E';
    }
    head[peOffset + 20] = static_cast<unsigned char>(optionalSize);
    head[peOffset + 21] = static_cast<unsigned char>(optionalSize >> 8);
    if (optionalSize >= 68) {
        uint32_t at = peOffset + 24 + 64;
        head[at] = 0x44;
        head[at + 1] = 0x33;
        head[at + 2] = 0x22;
        head[at + 3] = 0x11;
    }
    return head;
}

TEST(ImageChecksum, FindsTheFieldOnlyInAPeHeader) {
    ImageChecksumField field;
    Bytes pe32 = Header(0x80, 0xE0), pe32plus = Header(0x100, 0xF0);
    ASSERT_TRUE(FindImageChecksumField(pe32.data(), pe32.size(), &field));
    EXPECT_EQ(0x80u + 24 + 64, field.offset);
    EXPECT_EQ(0x11223344u, field.stored);
    ASSERT_TRUE(FindImageChecksumField(pe32plus.data(), pe32plus.size(), &field));
    EXPECT_EQ(0x100u + 24 + 64, field.offset);

    struct Refused {
        const char* name;
        Bytes head;
        size_t length;
    };
    Bytes noMz = pe32;
    noMz[0] = 'X';
    Bytes farAway = Header(0x80, 0xE0);
    farAway[0x3C + 3] = 0x80;  // e_lfanew beyond any file
    const Refused refused[] = {
        {"no MZ", noMz, noMz.size()},
        {"no PE signature", Header(0x80, 0xE0, false), pe32.size()},
        {"optional header too short for the field", Header(0x80, 0x40), Header(0x80, 0x40).size()},
        {"file ends before the field", pe32, 0x80 + 24 + 64 + 3},
        {"file ends inside the DOS header", pe32, 0x3E},
        {"PE header beyond the end", farAway, farAway.size()},
    };
    for (const Refused& r : refused) {
        ImageChecksumField untouched;
        untouched.offset = 7;
        EXPECT_FALSE(FindImageChecksumField(r.head.data(), r.length, &untouched)) << r.name;
        EXPECT_EQ(7u, untouched.offset) << r.name;
    }
}

}  // namespace
