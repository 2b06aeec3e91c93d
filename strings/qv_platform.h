// The few platform services QvString rests on. On Windows they are the Win32
// and C runtime calls; elsewhere portable stand-ins with the same results in
// the "C" locale, so the class can run under the host's sanitizers.
#ifndef TESSAROVEN_QV_PLATFORM_H
#define TESSAROVEN_QV_PLATFORM_H

#include <stdarg.h>
#include <stddef.h>

namespace qvplatform {

// Atomic, full-barrier increment and decrement; each returns the new value.
int AtomicIncrement(volatile int* value);
int AtomicDecrement(volatile int* value);

// Length of the zero-terminated text p (the platform's lstrlenA).
int MeasureText(const char* p);

// Case-insensitive comparisons folding only A..Z (the runtime's _stricmp and _stricoll).
int CompareNoCase(const char* a, const char* b);
int CollateNoCase(const char* a, const char* b);
int Collate(const char* a, const char* b);

// In-place ASCII case changes and reversal up to the first zero byte.
void UpperInPlace(char* p);
void LowerInPlace(char* p);
void ReverseInPlace(char* p);

// In-place code-page translation between the ANSI (Windows-1252) and the
// OEM (850) code page, up to the first zero byte.
void AnsiToOemInPlace(char* p);
void OemToAnsiInPlace(char* p);

// Writes at most size - 1 characters and a terminator into buf (size > 0) and
// returns the full length the output needs, or -1 when the format is invalid.
// An 'L' size prefix changes no argument size (%Lf takes a double).
int FormatBounded(char* buf, size_t size, const char* format, va_list args);

// Converts count bytes of text into 16-bit units of the same value (the "C"
// locale's multibyte-to-wide conversion); stops after a zero byte.
void WidenText(unsigned short* dest, const char* text, int count);

// Formats format with the inserts %1..%99 (optionally %n!printf-format!)
// taken from args, each argument one pointer-sized value that every use of
// its insert formats anew. Returns a buffer the caller frees with
// FreeMessage, or null on failure.
char* FormatMessageInserts(const char* format, va_list* args);
void FreeMessage(char* buffer);

}  // namespace qvplatform

#endif
