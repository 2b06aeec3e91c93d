// The splash resources as the built launcher carries them, and the picture
// loader, palette and drawing on the platform.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <algorithm>
#include <vector>

#include "beside_program.h"
#include "dib_bytes.h"
#include "dib_loader.h"
#include "splash_test_support.h"
#include "splash_window.h"

namespace {

const WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
const WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const LPCSTR kIconType = MAKEINTRESOURCEA(3);
const LPCSTR kBitmapType = MAKEINTRESOURCEA(2);
const LPCSTR kDialogType = MAKEINTRESOURCEA(5);
const LPCSTR kIconGroupType = MAKEINTRESOURCEA(14);

uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16(const std::vector<unsigned char>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// The built launcher, opened for its resources only.
class LauncherResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExA(BesideTestProgram("setup.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(nullptr, module_) << "setup.exe not found beside the test"; }
    static HMODULE module_;
};
HMODULE LauncherResources::module_ = nullptr;

// Draws block into a 32-bit surface of width x height filled with 0x123456
// at (x, y) and returns the surface's colours, top row first.
std::vector<unsigned> DrawOnSurface(const BITMAPINFOHEADER* block, int width, int height, int x, int y,
                                    int* lines) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP surface = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<unsigned> colours;
    if (surface == nullptr) return colours;
    unsigned* pixels = static_cast<unsigned*>(bits);
    for (int i = 0; i < width * height; ++i) pixels[i] = 0x123456;
    HGDIOBJ old = SelectObject(dc, surface);
    *lines = DrawDib(block, dc, x, y);
    GdiFlush();
    colours.assign(pixels, pixels + width * height);
    for (unsigned& c : colours) c &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(surface);
    DeleteDC(dc);
    return colours;
}

// Colour-table entry i of DibBytes pictures, as 0xRRGGBB.
unsigned TableColour(unsigned i) { return (3 * i & 0xFF) << 16 | (2 * i & 0xFF) << 8 | (i & 0xFF); }

}  // namespace

TEST_F(LauncherResources, DialogTemplateIsTheClassicLayoutInGerman) {
    EXPECT_EQ(std::vector<WORD>{kGerman}, ResourceLanguages(module_, kDialogType, kSplashTemplateId));
    const unsigned char expected[54] = {
        0x40, 0x00, 0x80, 0x80,  // WS_POPUP | WS_BORDER | DS_SETFONT
        0, 0, 0, 0,              // no extended style
        0, 0,                    // no controls
        0, 0, 0, 0,              // x, y
        0x43, 0x01, 0xD5, 0x00,  // 323 x 213
        0, 0, 0, 0, 0, 0,        // no menu, the system dialog class, no title
        8, 0,                    // 8 points
        'M', 0, 'S', 0, ' ', 0, 'S', 0, 'a', 0, 'n', 0, 's', 0, ' ', 0,
        'S', 0, 'e', 0, 'r', 0, 'i', 0, 'f', 0, 0, 0};
    EXPECT_EQ(std::vector<unsigned char>(expected, expected + 54),
              ResourceBytes(module_, kDialogType, kSplashTemplateId, kGerman));
}

TEST_F(LauncherResources, IconGroupHasItsFiveImagesInOrder) {
    EXPECT_EQ(std::vector<WORD>{kGerman}, ResourceLanguages(module_, kIconGroupType, kSplashIconId));
    std::vector<unsigned char> group = ResourceBytes(module_, kIconGroupType, kSplashIconId, kGerman);
    ASSERT_EQ(6u + 5 * 14, group.size());
    EXPECT_EQ(0, U16(group, 0));
    EXPECT_EQ(1, U16(group, 2));  // icons, not cursors
    ASSERT_EQ(5, U16(group, 4));
    struct Image {
        int size, colours, bits;
        uint32_t bytes;
    } expected[5] = {{32, 16, 4, 744}, {48, 0, 8, 3752}, {16, 16, 4, 296}, {32, 0, 8, 2216}, {16, 0, 8, 1384}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i + 1);
        size_t e = 6 + 14 * i;
        EXPECT_EQ(expected[i].size, group[e]);
        EXPECT_EQ(expected[i].size, group[e + 1]);
        EXPECT_EQ(expected[i].colours, group[e + 2]);
        EXPECT_EQ(1, U16(group, e + 4));  // one plane
        EXPECT_EQ(expected[i].bits, U16(group, e + 6));
        EXPECT_EQ(expected[i].bytes, U32(group, e + 8));
        EXPECT_EQ(i + 1, U16(group, e + 12));  // ids 1 to 5 in this order

        // The image itself: its header agrees with the group's entry.
        std::vector<unsigned char> image = ResourceBytes(module_, kIconType, i + 1, kGerman);
        ASSERT_EQ(expected[i].bytes, image.size());
        EXPECT_EQ(40u, U32(image, 0));
        EXPECT_EQ(static_cast<uint32_t>(expected[i].size), U32(image, 4));
        EXPECT_EQ(static_cast<uint32_t>(2 * expected[i].size), U32(image, 8));  // colour and mask rows
        EXPECT_EQ(1, U16(image, 12));
        EXPECT_EQ(expected[i].bits, U16(image, 14));
    }
}

TEST_F(LauncherResources, PictureIsStoredWithItsSizesOpen) {
    EXPECT_EQ(std::vector<WORD>{kEnglishUs}, ResourceLanguages(module_, kBitmapType, kSplashPictureId));
    std::vector<unsigned char> picture = ResourceBytes(module_, kBitmapType, kSplashPictureId, kEnglishUs);
    ASSERT_EQ(169066u, picture.size());
    EXPECT_EQ(40u, U32(picture, 0));
    EXPECT_EQ(480u, U32(picture, 4));
    EXPECT_EQ(350u, U32(picture, 8));  // positive: bottom-up
    EXPECT_EQ(1, U16(picture, 12));
    EXPECT_EQ(8, U16(picture, 14));
    EXPECT_EQ(0u, U32(picture, 16));   // uncompressed
    EXPECT_EQ(0u, U32(picture, 20));   // image size left open
    EXPECT_EQ(11808u, U32(picture, 24));
    EXPECT_EQ(11808u, U32(picture, 28));
    EXPECT_EQ(0u, U32(picture, 32));   // colours used left open
    EXPECT_EQ(0u, U32(picture, 36));
    EXPECT_EQ(0, picture[169064]);
    EXPECT_EQ(0, picture[169065]);
    // A palette of 256 colours that are really used: no two entries alike.
    std::vector<unsigned> table;
    for (int i = 0; i < 256; ++i) table.push_back(U32(picture, 40 + 4 * i) & 0xFFFFFF);
    std::sort(table.begin(), table.end());
    EXPECT_GE(std::unique(table.begin(), table.end()) - table.begin(), 250);
}

TEST_F(LauncherResources, LoadedPictureIsACompletedCopy) {
    BITMAPINFOHEADER* block = LoadResourceDib(kSplashPictureId, module_);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(168000u, block->biSizeImage);
    EXPECT_EQ(256u, block->biClrUsed);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), block->biCompression);
    EXPECT_EQ(480, block->biWidth);
    EXPECT_EQ(350, block->biHeight);
    // The copy lives in a locked movable global block that holds header,
    // table and rows.
    HGLOBAL memory = GlobalHandle(block);
    ASSERT_NE(nullptr, memory);
    EXPECT_NE(static_cast<void*>(memory), static_cast<void*>(block));
    EXPECT_EQ(1u, GlobalFlags(memory) & GMEM_LOCKCOUNT);
    EXPECT_GE(GlobalSize(memory), 1064u + 168000u);
    // Table and rows are the resource's, the rows starting 1064 bytes in.
    std::vector<unsigned char> resource = ResourceBytes(module_, kBitmapType, kSplashPictureId, kEnglishUs);
    ASSERT_EQ(169066u, resource.size());
    EXPECT_EQ(0, memcmp(resource.data() + 40, reinterpret_cast<unsigned char*>(block) + 40, 1024 + 168000));
    // The resource itself still reads as stored.
    EXPECT_EQ(0u, U32(resource, 20));
    EXPECT_EQ(0u, U32(resource, 32));
    FreeDib(block);

    EXPECT_EQ(nullptr, LoadResourceDib(kSplashPictureId + 1, module_));
    EXPECT_EQ(nullptr, LoadResourceDib(kSplashTemplateId, module_));  // a dialog, not a picture
    FreeDib(nullptr);
}

TEST_F(LauncherResources, PaletteHasThePicturesColoursRedFirst) {
    BITMAPINFOHEADER* block = LoadResourceDib(kSplashPictureId, module_);
    ASSERT_NE(nullptr, block);
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(block + 1);

    LOGPALETTE* logical = BuildDibLogPalette(block);
    ASSERT_NE(nullptr, logical);
    EXPECT_EQ(0x300, logical->palVersion);
    ASSERT_EQ(256, logical->palNumEntries);
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = logical->palPalEntry[i];
        ASSERT_EQ(table[i].rgbRed, e.peRed) << i;
        ASSERT_EQ(table[i].rgbGreen, e.peGreen) << i;
        ASSERT_EQ(table[i].rgbBlue, e.peBlue) << i;
        ASSERT_EQ(0, e.peFlags) << i;
    }
    LocalFree(logical);

    HPALETTE palette = CreateDibPalette(block);
    ASSERT_NE(nullptr, palette);
    WORD count = 0;
    ASSERT_EQ(static_cast<int>(sizeof count), GetObjectA(palette, sizeof count, &count));
    EXPECT_EQ(256, count);
    PALETTEENTRY entries[256];
    ASSERT_EQ(256u, GetPaletteEntries(palette, 0, 256, entries));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(table[i].rgbRed, entries[i].peRed) << i;
        ASSERT_EQ(table[i].rgbGreen, entries[i].peGreen) << i;
        ASSERT_EQ(table[i].rgbBlue, entries[i].peBlue) << i;
        ASSERT_EQ(0, entries[i].peFlags) << i;
    }
    DeleteObject(palette);
    FreeDib(block);
    EXPECT_EQ(nullptr, CreateDibPalette(nullptr));
}

TEST_F(LauncherResources, SplashPictureDrawsOneToOne) {
    BITMAPINFOHEADER* block = LoadResourceDib(kSplashPictureId, module_);
    ASSERT_NE(nullptr, block);
    int lines = 0;
    std::vector<unsigned> surface = DrawOnSurface(block, 482, 352, 1, 1, &lines);
    ASSERT_EQ(482u * 352u, surface.size());
    EXPECT_EQ(350, lines);
    std::vector<unsigned> expected = DibColours(block);
    size_t wrong = 0;
    for (int y = 0; y < 352; ++y)
        for (int x = 0; x < 482; ++x) {
            bool inside = x >= 1 && x <= 480 && y >= 1 && y <= 350;
            unsigned want = inside ? expected[(y - 1) * 480 + (x - 1)] : 0x123456;
            wrong += surface[y * 482 + x] != want;
        }
    EXPECT_EQ(0u, wrong);
    FreeDib(block);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(0, DrawDib(nullptr, dc, 0, 0));
    DeleteDC(dc);
}

TEST(PictureCopies, FourBitPictureGetsSixteenColours) {
    DibFields s;
    s.width = 5;  // 20 bits: rows rounded up to 4 bytes
    s.height = 2;
    s.bits = 4;
    s.tableEntries = 16;
    s.pixels = {0x01, 0x23, 0x40, 0x00, /* top row: */ 0xFE, 0xDC, 0xB0, 0x00};
    std::vector<uint8_t> bytes = DibBytes(s);
    BITMAPINFOHEADER* block = CopyDibBlock(bytes.data(), bytes.size());
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(16u, block->biClrUsed);
    EXPECT_EQ(8u, block->biSizeImage);
    int lines = 0;
    std::vector<unsigned> surface = DrawOnSurface(block, 5, 2, 0, 0, &lines);
    EXPECT_EQ(2, lines);
    std::vector<unsigned> expected = {TableColour(15), TableColour(14), TableColour(13), TableColour(12),
                                      TableColour(11), TableColour(0),  TableColour(1),  TableColour(2),
                                      TableColour(3),  TableColour(4)};
    EXPECT_EQ(expected, surface);
    LOGPALETTE* logical = BuildDibLogPalette(block);
    ASSERT_NE(nullptr, logical);
    EXPECT_EQ(16, logical->palNumEntries);
    EXPECT_EQ(45, logical->palPalEntry[15].peRed);
    EXPECT_EQ(30, logical->palPalEntry[15].peGreen);
    EXPECT_EQ(15, logical->palPalEntry[15].peBlue);
    LocalFree(logical);
    FreeDib(block);
}

TEST(PictureCopies, OneBitPictureGetsTwoColours) {
    DibFields s;
    s.width = 33;  // 33 bits: 8 bytes a row
    s.height = 1;
    s.bits = 1;
    s.tableEntries = 2;
    s.pixels = {0x80, 0x00, 0x00, 0x01, 0x80, 0, 0, 0};
    std::vector<uint8_t> bytes = DibBytes(s);
    BITMAPINFOHEADER* block = CopyDibBlock(bytes.data(), bytes.size());
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(2u, block->biClrUsed);
    EXPECT_EQ(8u, block->biSizeImage);
    int lines = 0;
    std::vector<unsigned> surface = DrawOnSurface(block, 33, 1, 0, 0, &lines);
    ASSERT_EQ(33u, surface.size());
    for (int x = 0; x < 33; ++x) {
        bool set = x == 0 || x == 31 || x == 32;
        EXPECT_EQ(TableColour(set ? 1 : 0), surface[x]) << x;
    }
    FreeDib(block);
}

TEST(PictureCopies, TrueColourPictureFallsBackToTheStockPalette) {
    DibFields s;
    s.width = 3;  // 9 bytes: rows rounded up to 12
    s.height = 1;
    s.bits = 24;
    s.pixels = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0, 0, 0};
    std::vector<uint8_t> bytes = DibBytes(s);
    BITMAPINFOHEADER* block = CopyDibBlock(bytes.data(), bytes.size());
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0u, block->biClrUsed);
    EXPECT_EQ(12u, block->biSizeImage);
    int lines = 0;
    EXPECT_EQ((std::vector<unsigned>{0x302010, 0x605040, 0x908070}), DrawOnSurface(block, 3, 1, 0, 0, &lines));

    LOGPALETTE* logical = BuildDibLogPalette(block);
    ASSERT_NE(nullptr, logical);
    EXPECT_EQ(0x300, logical->palVersion);
    ASSERT_EQ(256, logical->palNumEntries);
    HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    PALETTEENTRY stockEntries[256];
    memset(stockEntries, 0, sizeof stockEntries);
    UINT supplied = GetPaletteEntries(stock, 0, 256, stockEntries);
    ASSERT_GT(supplied, 0u);
    ASSERT_LT(supplied, 256u);
    for (UINT i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = logical->palPalEntry[i];
        if (i < supplied) {
            EXPECT_EQ(0, memcmp(&stockEntries[i], &e, sizeof e)) << i;
        } else {
            EXPECT_TRUE(e.peRed == 0 && e.peGreen == 0 && e.peBlue == 0 && e.peFlags == 0) << i;
        }
    }
    LocalFree(logical);
    HPALETTE palette = CreateDibPalette(block);
    ASSERT_NE(nullptr, palette);
    WORD count = 0;
    GetObjectA(palette, sizeof count, &count);
    EXPECT_EQ(256, count);
    DeleteObject(palette);
    FreeDib(block);
}

TEST(PictureCopies, NarrowRowsAndStatedSizes) {
    DibFields s;
    s.width = 3;  // 3 bytes: rows of 4
    s.height = 2;
    s.coloursUsed = 4;
    s.tableEntries = 4;
    s.imageSize = 8;
    s.pixels = {0, 1, 2, 0, /* top: */ 3, 2, 1, 0};
    std::vector<uint8_t> bytes = DibBytes(s);
    BITMAPINFOHEADER* block = CopyDibBlock(bytes.data(), bytes.size());
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(4u, block->biClrUsed);  // as stated, not 256
    EXPECT_EQ(8u, block->biSizeImage);
    int lines = 0;
    EXPECT_EQ((std::vector<unsigned>{TableColour(3), TableColour(2), TableColour(1), TableColour(0),
                                     TableColour(1), TableColour(2)}),
              DrawOnSurface(block, 3, 2, 0, 0, &lines));
    LOGPALETTE* logical = BuildDibLogPalette(block);
    ASSERT_NE(nullptr, logical);
    EXPECT_EQ(4, logical->palNumEntries);
    LocalFree(logical);
    FreeDib(block);
}

TEST(PictureCopies, TopDownPictureDrawsUpright) {
    DibFields s;
    s.width = 2;
    s.height = -2;  // first stored row is the top one
    s.tableEntries = 256;
    s.pixels = {7, 8, 0, 0, 9, 10, 0, 0};
    std::vector<uint8_t> bytes = DibBytes(s);
    BITMAPINFOHEADER* block = CopyDibBlock(bytes.data(), bytes.size());
    ASSERT_NE(nullptr, block);
    int lines = 0;
    EXPECT_EQ((std::vector<unsigned>{0x123456, 0x123456, 0x123456, 0x123456, TableColour(7), TableColour(8),
                                     0x123456, TableColour(9), TableColour(10)}),
              DrawOnSurface(block, 3, 3, 1, 1, &lines));
    FreeDib(block);
}

TEST(PictureCopies, RunLengthPictureIsExpandedBeforeDrawing) {
    DibFields s;
    s.width = 4;
    s.height = 2;
    s.compression = BI_RLE8;
    s.tableEntries = 256;
    s.pixels = {4, 5, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};  // bottom: 5 5 5 5; top: 1 2 3, then 0
    s.imageSize = static_cast<uint32_t>(s.pixels.size());
    std::vector<uint8_t> bytes = DibBytes(s);
    BITMAPINFOHEADER* block = CopyDibBlock(bytes.data(), bytes.size());
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), block->biCompression);
    EXPECT_EQ(8u, block->biSizeImage);
    int lines = 0;
    EXPECT_EQ((std::vector<unsigned>{TableColour(1), TableColour(2), TableColour(3), TableColour(0),
                                     TableColour(5), TableColour(5), TableColour(5), TableColour(5)}),
              DrawOnSurface(block, 4, 2, 0, 0, &lines));
    FreeDib(block);
}

TEST(PictureCopies, RefusedPicturesAllocateNothing) {
    DibFields s;
    s.width = 4;
    s.height = 2;
    s.bits = 4;
    s.compression = 2;  // 4-bit runs cannot be shown
    s.tableEntries = 16;
    s.pixels = {0, 1};
    std::vector<uint8_t> bytes = DibBytes(s);
    EXPECT_EQ(nullptr, CopyDibBlock(bytes.data(), bytes.size()));
    EXPECT_EQ(nullptr, CopyDibBlock(bytes.data(), 20));
}
