// The end-to-end driver: takes the options the build passes (see
// e2e_support.h) out of the command line and runs the tests.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "e2e_support.h"

int main(int argc, char** argv) {
    std::string error;
    if (!ParseSettings(&argc, argv, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
