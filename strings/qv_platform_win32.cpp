// The platform services of QvString on Windows: the Win32 calls and the
// C runtime's routines, in the "C" locale the launcher never changes.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "qv_platform.h"

namespace qvplatform {

int AtomicIncrement(volatile int* value) {
    return static_cast<int>(InterlockedIncrement(reinterpret_cast<volatile LONG*>(value)));
}
int AtomicDecrement(volatile int* value) {
    return static_cast<int>(InterlockedDecrement(reinterpret_cast<volatile LONG*>(value)));
}

int MeasureText(const char* p) { return lstrlenA(p); }

int CompareNoCase(const char* a, const char* b) { return _stricmp(a, b); }
int CollateNoCase(const char* a, const char* b) { return _stricoll(a, b); }
int Collate(const char* a, const char* b) { return strcoll(a, b); }

void UpperInPlace(char* p) { _strupr(p); }
void LowerInPlace(char* p) { _strlwr(p); }
void ReverseInPlace(char* p) { _strrev(p); }

void AnsiToOemInPlace(char* p) { ::CharToOemA(p, p); }
void OemToAnsiInPlace(char* p) { ::OemToCharA(p, p); }

int FormatBounded(char* buf, size_t size, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    // The runtime's bounded call returns -1 when the output is cut short;
    // the exact size is then measured with a second pass.
    int n = _vsnprintf(buf, size, format, args);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buf[size - 1] = '\0';
        n = _vscprintf(format, again);
    }
    va_end(again);
    return n;
}

void WidenText(unsigned short* dest, const char* text, int count) {
    mbstowcs(reinterpret_cast<wchar_t*>(dest), text, static_cast<size_t>(count));
}

char* FormatMessageInserts(const char* format, va_list* args) {
    char* buffer = nullptr;
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, format, 0, 0,
                               reinterpret_cast<LPSTR>(&buffer), 0, args);
    if (n == 0 || buffer == nullptr) {
        if (buffer != nullptr) LocalFree(buffer);
        return nullptr;
    }
    return buffer;
}

void FreeMessage(char* buffer) { LocalFree(buffer); }

}  // namespace qvplatform
