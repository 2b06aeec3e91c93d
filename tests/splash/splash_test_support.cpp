#include "splash_test_support.h"

#include <string.h>

#include "dib_loader.h"
#include "splash_resource_ids.h"

std::vector<unsigned char> ResourceBytes(HMODULE module, LPCSTR type, int id, WORD language) {
    HRSRC resource = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (resource == nullptr) return {};
    const unsigned char* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, resource)));
    if (data == nullptr) return {};
    return std::vector<unsigned char>(data, data + SizeofResource(module, resource));
}

namespace {
BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}
}  // namespace

std::vector<WORD> ResourceLanguages(HMODULE module, LPCSTR type, int id) {
    std::vector<WORD> languages;
    EnumResourceLanguagesA(module, type, MAKEINTRESOURCEA(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

std::vector<unsigned> CaptureScreen(int left, int top, int width, int height) {
    std::vector<unsigned> colours(static_cast<size_t>(width) * height, 0xFFFFFFFFu);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, like the result
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY)) {
            GdiFlush();
            const unsigned* pixels = static_cast<const unsigned*>(bits);
            for (size_t i = 0; i < colours.size(); ++i) colours[i] = pixels[i] & 0xFFFFFFu;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return colours;
}

bool PictureOnScreen(HDC screen, HWND window, const BITMAPINFOHEADER* picture) {
    POINT origin = {0, 0};
    if (!ClientToScreen(window, &origin)) return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(picture);
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(bytes + picture->biSize);
    const unsigned char* pixels = bytes + picture->biSize + picture->biClrUsed * 4;
    const int points[][2] = {{10, 10}, {240, 20}, {470, 60}, {60, 200}, {300, 260}, {20, 340}, {470, 345}};
    for (const auto& p : points) {
        int row = picture->biHeight - 1 - p[1];
        const RGBQUAD& c = table[pixels[row * picture->biWidth + p[0]]];
        COLORREF shown = GetPixel(screen, origin.x + p[0], origin.y + p[1]);
        if (shown != RGB(c.rgbRed, c.rgbGreen, c.rgbBlue)) return false;
    }
    return true;
}

std::vector<unsigned> DibColours(const BITMAPINFOHEADER* block) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(block);
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(bytes + block->biSize);
    const unsigned char* pixels = bytes + block->biSize + block->biClrUsed * 4;
    int width = block->biWidth;
    int height = block->biHeight < 0 ? -block->biHeight : block->biHeight;
    int row = ((width * 8 + 31) & ~31) / 8;
    std::vector<unsigned> colours;
    colours.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        // Bottom-up rows: the first stored row is the lowest one on the screen.
        int stored = block->biHeight > 0 ? height - 1 - y : y;
        for (int x = 0; x < width; ++x) {
            const RGBQUAD& c = table[pixels[stored * row + x]];
            colours.push_back(static_cast<unsigned>(c.rgbRed) << 16 | c.rgbGreen << 8 | c.rgbBlue);
        }
    }
    return colours;
}

LauncherPicture::LauncherPicture(const std::string& launcher) {
    module_ = LoadLibraryExA(launcher.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module_ != nullptr) picture_ = LoadResourceDib(kSplashPictureId, module_);
}

LauncherPicture::~LauncherPicture() {
    FreeDib(picture_);
    if (module_ != nullptr) FreeLibrary(module_);
}
