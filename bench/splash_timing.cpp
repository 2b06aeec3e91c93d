// How long the launcher takes from its start until its splash window exists
// and until its picture is on the screen, for each run and as medians. Its
// temporary folder is on a drive that does not exist, so that each run
// stops at its no-space message before it creates anything; the run is
// ended there.
// Usage: splash_timing [RUNS]   (the launcher beside this program; an X display)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "beside_program.h"
#include "child_process.h"
#include "measure.h"
#include "splash_test_support.h"
#include "window_search.h"

namespace {

const double kRunLimitSeconds = 30;

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    std::string launcher = BesideTestProgram("setup.exe");
    LauncherPicture picture(launcher);
    if (picture.Dib() == nullptr) {
        fprintf(stderr, "the picture of %s cannot be read\n", launcher.c_str());
        return 1;
    }
    EnvironmentBlock environment = EnvironmentBlock::Current();
    environment.Set("TMP", "Q:\\tvprobe\\");
    environment.Set("TEMP", "Q:\\tvprobe\\");
    std::vector<double> windowTimes, paintTimes;
    int failed = 0;
    HDC screen = GetDC(nullptr);
    for (int run = 1; run <= runs; ++run) {
        ChildProcess process;
        double start = SecondsNow();
        // Unelevated: an elevated launcher leaves TEMP and TMP aside.
        if (!process.Start(launcher, "\"" + launcher + "\"", environment, Elevation::Unelevated)) {
            fprintf(stderr, "the launcher does not start: %s\n", process.Failure().c_str());
            failed = runs;
            break;
        }
        HWND splash = nullptr;
        double windowMs = -1, paintMs = -1;
        while (SecondsNow() - start < kRunLimitSeconds) {
            // Short sleeps leave the processor to the launcher.
            Sleep(1);
            if (splash == nullptr) {
                splash = FindSplashWindow(process.Id());
                if (splash == nullptr) continue;
                windowMs = (SecondsNow() - start) * 1000;
            }
            if (PictureOnScreen(screen, splash, picture.Dib())) {
                paintMs = (SecondsNow() - start) * 1000;
                break;
            }
        }
        // The process object ends the launcher, held at its no-space message.
        printf("run %d: window after %.1f ms, picture on the screen after %.1f ms\n", run, windowMs, paintMs);
        fflush(stdout);
        if (windowMs < 0 || paintMs < 0) {
            ++failed;
            continue;
        }
        windowTimes.push_back(windowMs);
        paintTimes.push_back(paintMs);
    }
    ReleaseDC(nullptr, screen);
    if (!paintTimes.empty()) {
        printf("median of %zu runs: window after %.1f ms, picture on the screen after %.1f ms (min %.1f, max %.1f)\n",
               paintTimes.size(), Median(windowTimes), Median(paintTimes),
               *std::min_element(paintTimes.begin(), paintTimes.end()),
               *std::max_element(paintTimes.begin(), paintTimes.end()));
    }
    if (failed > 0) fprintf(stderr, "%d of %d runs showed no painted splash\n", failed, runs);
    return failed == 0 ? 0 : 1;
}
