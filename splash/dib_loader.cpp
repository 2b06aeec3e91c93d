#include "dib_loader.h"

#include <stddef.h>
#include <stdint.h>

#include "dib_format.h"

BITMAPINFOHEADER* CopyDibBlock(const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    DibPlan plan;
    if (!PlanDib(bytes, size, &plan)) return nullptr;
    // Movable, so that FreeDib can find the block again from its address.
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, plan.blockSize);
    if (memory == nullptr) return nullptr;
    void* block = GlobalLock(memory);
    if (block == nullptr) {
        GlobalFree(memory);
        return nullptr;
    }
    BuildDib(bytes, size, plan, static_cast<uint8_t*>(block));
    return static_cast<BITMAPINFOHEADER*>(block);
}

BITMAPINFOHEADER* LoadResourceDib(int name, HINSTANCE instance) {
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(name), MAKEINTRESOURCEA(2) /* bitmap */);
    if (resource == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(instance, resource);
    if (loaded == nullptr) return nullptr;
    const void* data = LockResource(loaded);
    if (data == nullptr) return nullptr;
    // The module's resource pages are read-only; completing the header in
    // place would fault, so the picture is completed in a copy.
    return CopyDibBlock(data, SizeofResource(instance, resource));
}

LOGPALETTE* BuildDibLogPalette(const BITMAPINFOHEADER* block) {
    if (block == nullptr) return nullptr;
    const DWORD colours = block->biClrUsed;
    const DWORD entries = colours != 0 ? colours : 256;
    LOGPALETTE* logical = static_cast<LOGPALETTE*>(
        LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, offsetof(LOGPALETTE, palPalEntry) + entries * sizeof(PALETTEENTRY)));
    if (logical == nullptr) return nullptr;
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries);
    PALETTEENTRY* entry = logical->palPalEntry;
    if (colours != 0) {
        // The table stores blue, green, red; the palette wants red first.
        const RGBQUAD* table =
            reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(block) + block->biSize);
        for (DWORD i = 0; i < colours; ++i) {
            entry[i].peRed = table[i].rgbRed;
            entry[i].peGreen = table[i].rgbGreen;
            entry[i].peBlue = table[i].rgbBlue;
            entry[i].peFlags = 0;
        }
    } else {
        // A picture of more than 8 bits per pixel has no colours of its
        // own to offer; the system's default palette stands in, and the
        // entries it does not fill stay zero.
        GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 256, entry);
    }
    return logical;
}

HPALETTE CreateDibPalette(const BITMAPINFOHEADER* block) {
    LOGPALETTE* logical = BuildDibLogPalette(block);
    if (logical == nullptr) return nullptr;
    HPALETTE palette = CreatePalette(logical);
    LocalFree(logical);
    return palette;
}

int DrawDib(const BITMAPINFOHEADER* block, HDC dc, int x, int y) {
    if (block == nullptr) return 0;
    const uint8_t* pixels = reinterpret_cast<const uint8_t*>(block) + block->biSize + block->biClrUsed * 4;
    const LONG width = block->biWidth;
    const LONG rows = block->biHeight < 0 ? -block->biHeight : block->biHeight;
    return StretchDIBits(dc, x, y, width, rows, 0, 0, width, rows, pixels,
                         reinterpret_cast<const BITMAPINFO*>(block), DIB_RGB_COLORS, SRCCOPY);
}

void FreeDib(BITMAPINFOHEADER* block) {
    if (block == nullptr) return;
    HGLOBAL memory = GlobalHandle(block);
    if (memory == nullptr) return;
    GlobalUnlock(memory);
    GlobalFree(memory);
}
