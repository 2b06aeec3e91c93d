// What the measurements share: a clock, and the median and the fastest of
// repeated runs.
#ifndef TESSAROVEN_BENCH_MEASURE_H
#define TESSAROVEN_BENCH_MEASURE_H

#include <windows.h>

#include <algorithm>
#include <vector>

// Seconds since an arbitrary fixed moment, from the performance counter.
inline double SecondsNow() {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The middle one of values (of an even count the upper middle one); 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The smallest of values; 0 for none.
inline double Fastest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

#endif
