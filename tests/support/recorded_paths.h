// The paths of a list, front (newest) to back, for comparing in tests.
#ifndef TESSAROVEN_TESTS_RECORDED_PATHS_H
#define TESSAROVEN_TESTS_RECORDED_PATHS_H

#include <string>
#include <vector>

#include "path_list.h"

inline std::vector<std::string> Recorded(const PathList& list) {
    std::vector<std::string> out;
    for (const QvString& path : list) out.push_back(static_cast<const char*>(path));
    return out;
}

#endif
