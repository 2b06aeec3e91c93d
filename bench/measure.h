// Wall-clock seconds for the Windows benchmarks.
#ifndef TESSAROVEN_TEST_STOPWATCH_H
#define TESSAROVEN_TEST_STOPWATCH_H

#include <windows.h>

// Seconds since an arbitrary fixed moment, from the performance counter.
inline double SecondsNow() {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

#endif
