// The end-to-end driver: the tests, or with --measure=N the launcher's
// start-up step by step over N round trips, beside a bare program that only
// starts the next stage.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "e2e_support.h"
#include "startup_timing.h"

int main(int argc, char** argv) {
    std::string error;
    if (!ParseSettings(&argc, argv, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    int result;
    if (argc > 1 && strncmp(argv[1], "--measure=", 10) == 0) {
        result = MeasureStartup(std::max(1, atoi(argv[1] + 10)));
    } else {
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    RemoveScratch();
    return result;
}
