// The splash picture on the screen: a bitmap resource of the module loaded
// as a completed packed DIB, its logical palette, drawing it 1:1 and
// releasing it.
#ifndef TESSAROVEN_DIB_LOADER_H
#define TESSAROVEN_DIB_LOADER_H

#include <stddef.h>
#include <windows.h>

// Loads bitmap resource `name` of `instance` as a packed DIB (header, colour
// table, pixel rows) with its image size and colour count completed and
// marked uncompressed; 8-bit run-length pictures come out expanded. The
// resource itself stays untouched: the result is a copy in a locked movable
// global memory block, to be released with FreeDib. Null when the resource
// is missing, cannot be loaded, or is no picture that can be drawn safely.
BITMAPINFOHEADER* LoadResourceDib(int name, HINSTANCE instance);

// The copy behind LoadResourceDib, for picture bytes from anywhere.
BITMAPINFOHEADER* CopyDibBlock(const void* data, size_t size);

// The logical palette description CreateDibPalette makes its palette from:
// version 0x300, one entry per colour of the block's table (red, green,
// blue, flags 0), or for a picture without a table the 256 entries of the
// stock default palette, zero where it has fewer. Fixed local memory, freed
// with LocalFree; null for a null block or when memory is short.
LOGPALETTE* BuildDibLogPalette(const BITMAPINFOHEADER* block);

// A logical palette (version 0x300, flags 0) with one entry per colour of
// the block's table; for a picture without a table, the 256 entries of the
// stock default palette, zero where it has fewer. Null for a null block or
// when the palette cannot be made. The caller deletes it with DeleteObject.
HPALETTE CreateDibPalette(const BITMAPINFOHEADER* block);

// Draws the block 1:1 with its top-left corner at (x, y), in one call;
// returns the number of scan lines drawn, 0 for a null block or a failure.
int DrawDib(const BITMAPINFOHEADER* block, HDC dc, int x, int y);

// Releases a block of LoadResourceDib or CopyDibBlock; null does nothing.
void FreeDib(BITMAPINFOHEADER* block);

#endif
