// The checks of the programs that use the launcher the way another module
// of the package does; they carry no test framework, which would be one
// more module in the way. Each check prints its outcome; the program's exit
// code says whether all held.
#ifndef TESSAROVEN_TESTS_MODULE_CHECK_H
#define TESSAROVEN_TESTS_MODULE_CHECK_H

#include <stdio.h>

#include <string>

inline int g_checksPassed = 0;
inline int g_checksFailed = 0;

// Prints "ok: what" or "FAILED: what" and counts it.
inline void Check(bool ok, const std::string& what) {
    printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    fflush(stdout);
    ++(ok ? g_checksPassed : g_checksFailed);
}

// Prints the counts; returns the exit code: 0 when every check held, else 1.
inline int CheckResult() {
    printf("%d passed, %d failed\n", g_checksPassed, g_checksFailed);
    return g_checksFailed == 0 ? 0 : 1;
}

#endif
