// A QvString's bytes as a std::string, for comparing in tests.
#ifndef TESSAROVEN_TESTS_QV_TEXT_H
#define TESSAROVEN_TESTS_QV_TEXT_H

#include <string>

#include "qv_string.h"

inline std::string Text(const QvString& s) { return std::string(static_cast<const char*>(s), s.GetLength()); }

#endif
