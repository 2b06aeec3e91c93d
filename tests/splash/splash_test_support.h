// Helpers of the Windows splash tests: the launcher next to the test
// program, resources read back from a module, and a message pump with a
// time limit.
#ifndef TESSAROVEN_SPLASH_TEST_SUPPORT_H
#define TESSAROVEN_SPLASH_TEST_SUPPORT_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Full path of a file in the test program's own folder (the build's bin/).
std::string BesideTestProgram(const char* name);

// The bytes of resource (type, id) in `language` of module, or an empty
// vector when the module has none.
std::vector<unsigned char> ResourceBytes(HMODULE module, LPCSTR type, int id, WORD language);

// The languages in which module has resource (type, id).
std::vector<WORD> ResourceLanguages(HMODULE module, LPCSTR type, int id);

// Dispatches the thread's messages until done() holds or timeoutMs pass;
// returns done() at the end.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Dispatches the thread's messages for about ms milliseconds.
void PumpFor(DWORD ms);

// The colours of a rectangle of the screen, as 0x00RRGGBB values row by
// row from the top.
std::vector<unsigned> CaptureScreen(int left, int top, int width, int height);

// True when the screen shows the colours of picture (a packed DIB of 8 bits
// per pixel, 480 x 350) at a few points of a client area whose top left
// corner is at origin on the screen: a cheap test, fit for polling, that
// the picture has been painted.
bool PictureOnScreen(HDC screen, POINT origin, const BITMAPINFOHEADER* picture);

// The colours a packed DIB of 8 bits per pixel shows, in the same form.
std::vector<unsigned> DibColours(const BITMAPINFOHEADER* block);

#endif
