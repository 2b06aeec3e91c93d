// Text in the ANSI code page, taken to 16 bits and back, for tests that
// hand paths to the platform's 16-bit calls or read them back.
#ifndef TESSAROVEN_TESTS_ANSI_TEXT_H
#define TESSAROVEN_TESTS_ANSI_TEXT_H

#include <windows.h>

#include <string>

// text read in the ANSI code page.
inline std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// text written in the ANSI code page, with its replacement for what the code page lacks.
inline std::string Ansi(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0], n, nullptr, nullptr);
    return ansi;
}

#endif
