// Helpers of the Windows splash tests: resources read back from a module,
// the picture a launcher carries, and the screen compared with a picture.
#ifndef TESSAROVEN_SPLASH_TEST_SUPPORT_H
#define TESSAROVEN_SPLASH_TEST_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

// The bytes of resource (type, id) in `language` of module, or an empty
// vector when the module has none.
std::vector<unsigned char> ResourceBytes(HMODULE module, LPCSTR type, int id, WORD language);

// The languages in which module has resource (type, id).
std::vector<WORD> ResourceLanguages(HMODULE module, LPCSTR type, int id);

// The colours of a rectangle of the screen, as 0x00RRGGBB values row by
// row from the top.
std::vector<unsigned> CaptureScreen(int left, int top, int width, int height);

// True when the screen shows the colours of picture (a packed DIB of 8 bits
// per pixel, 480 x 350) at a few points of window's client area: a cheap
// test, fit for polling, that the picture has been painted.
bool PictureOnScreen(HDC screen, HWND window, const BITMAPINFOHEADER* picture);

// The picture a launcher executable carries, loaded the way its splash
// loads it; the object owns the picture and the executable's mapping.
class LauncherPicture {
public:
    explicit LauncherPicture(const std::string& launcher);
    ~LauncherPicture();
    LauncherPicture(const LauncherPicture&) = delete;
    LauncherPicture& operator=(const LauncherPicture&) = delete;
    // The packed DIB, or null when the executable or its picture cannot be read.
    const BITMAPINFOHEADER* Dib() const { return picture_; }

private:
    HMODULE module_ = nullptr;
    BITMAPINFOHEADER* picture_ = nullptr;
};

// The colours a packed DIB of 8 bits per pixel shows, in the same form.
std::vector<unsigned> DibColours(const BITMAPINFOHEADER* block);

#endif
