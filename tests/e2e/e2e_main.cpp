// The end-to-end driver: the tests, or with --measure=N the time from the
// launcher's start to the next stage's start over N round trips.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "launcher_run.h"

namespace {

int MeasureLaunchDelay(int runs) {
    std::vector<double> delays;
    for (int i = 0; i < runs; ++i) {
        std::string temp = ScratchFolder("measure-temp") + "\\";
        std::string record = ScratchFolder("measure-record");
        LauncherRun run(temp, record, false);
        if (!run.Start("") || !run.WaitForNextStage(30000)) {
            fprintf(stderr, "run %d: the next stage did not start\n", i + 1);
            return 1;
        }
        ULONGLONG started = _strtoui64(run.Recorded("start-time.txt").c_str(), nullptr, 10);
        double milliseconds = static_cast<double>(static_cast<LONGLONG>(started - run.Launcher().StartTime())) / 1e4;
        printf("run %d: next stage started %.1f ms after the launcher\n", i + 1, milliseconds);
        delays.push_back(milliseconds);
        std::string script = temp + "0.bat";
        if (!run.WaitForCleanup(script, 30000)) {
            fprintf(stderr, "run %d: the clean-up did not finish\n", i + 1);
            return 1;
        }
    }
    std::sort(delays.begin(), delays.end());
    printf("median over %d runs: %.1f ms\n", runs, delays[delays.size() / 2]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (!ParseSettings(&argc, argv, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    int result;
    if (argc > 1 && strncmp(argv[1], "--measure=", 10) == 0) {
        result = MeasureLaunchDelay(std::max(1, atoi(argv[1] + 10)));
    } else {
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    RemoveScratch();
    return result;
}
