// Every writer that copies a shared block before it writes, with the text
// it leaves on a copy of a string that keeps its own block at length 0
// (after trimming, say). The native tests run them directly, the link
// consumer through the launcher's export table.
#ifndef TESSAROVEN_TESTS_ZERO_LENGTH_WRITERS_H
#define TESSAROVEN_TESTS_ZERO_LENGTH_WRITERS_H

#include "qv_string.h"

struct ZeroLengthWriter {
    const char* name;
    void (*op)(QvString&);
    const char* expected;
};

inline const ZeroLengthWriter kZeroLengthWriters[] = {
    {"MakeUpper", [](QvString& s) { s.MakeUpper(); }, ""},
    {"MakeLower", [](QvString& s) { s.MakeLower(); }, ""},
    {"MakeReverse", [](QvString& s) { s.MakeReverse(); }, ""},
    {"CharToOemA", [](QvString& s) { s.CharToOemA(); }, ""},
    {"OemToCharA", [](QvString& s) { s.OemToCharA(); }, ""},
    {"TrimLeft()", [](QvString& s) { s.TrimLeft(); }, ""},
    {"TrimLeft(char)", [](QvString& s) { s.TrimLeft('x'); }, ""},
    {"TrimLeft(set)", [](QvString& s) { s.TrimLeft("x"); }, ""},
    {"TrimRight()", [](QvString& s) { s.TrimRight(); }, ""},
    {"TrimRight(char)", [](QvString& s) { s.TrimRight('x'); }, ""},
    {"TrimRight(set)", [](QvString& s) { s.TrimRight("x"); }, ""},
    {"ReleaseBuffer", [](QvString& s) { s.ReleaseBuffer(); }, ""},
    {"Insert(char)", [](QvString& s) { s.Insert(0, 'x'); }, "x"},
    {"Insert(text)", [](QvString& s) { s.Insert(5, "yz"); }, "yz"},  // the index is clamped to the length, 0
    {"Remove", [](QvString& s) { s.Remove('x'); }, ""},
    {"Replace(char, char)", [](QvString& s) { s.Replace('x', 'y'); }, ""},
};

#endif
