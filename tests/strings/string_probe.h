// Views into a QvString's block for the string tests.
#ifndef TESSAROVEN_TESTS_STRING_PROBE_H
#define TESSAROVEN_TESTS_STRING_PROBE_H

#include <string>

#include "qv_string.h"

// Reaches the protected block header of any string.
struct Probe : QvString {
    static QvStringData* Of(const QvString& s) { return (s.*(&Probe::GetData))(); }
};

// Bytes a block takes in front of its characters.
const long long kHeader = static_cast<long long>(sizeof(QvStringData));
// A typed null text, for the overloads that take one.
const char* const kNull = nullptr;

inline QvStringData* EmptyBlock() { return Probe::Of(QvGetEmptyString()); }
inline int RefCount(const QvString& s) { return Probe::Of(s)->refCount; }
// The string's length bytes, embedded zero bytes included.
inline std::string Bytes(const QvString& s) { return std::string(static_cast<const char*>(s), s.GetLength()); }

#endif
