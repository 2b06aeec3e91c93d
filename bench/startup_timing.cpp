// The launcher's start-up measured from outside, step by step, beside a
// bare program (bare_launch.cpp) that only starts the same next stage.
// Runs the launcher and the bare program N times each, in turns, and
// prints per run and as medians (milliseconds):
//   paint   from the launcher's start until its picture is on the screen
//   space   from there until the clean-up script exists (the free-space
//           test and the choice of names)
//   unpack  from there until the last write into an unpacked file
//   script  from there until the last write into the script
//   start   from there until the next stage's first instruction
// and the whole time from the start until the next stage starts, for the
// launcher and for the bare program. Exit code 0, or 1 when a run failed.
// Usage: startup_timing OPTIONS [--measure=N]   (OPTIONS: those of the
//   end-to-end driver, see ctest -N -V -R '^launcher_e2e$'; N: 11)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "beside_program.h"
#include "e2e_support.h"
#include "launcher_run.h"
#include "measure.h"
#include "next_stage.h"
#include "splash_test_support.h"

namespace {

const DWORD kRunLimitMs = 30000;

// A point in time as the platform's system clock counts it (100 ns units).
typedef ULONGLONG Stamp;

Stamp FromFileTime(const FILETIME& t) {
    ULARGE_INTEGER value;
    value.LowPart = t.dwLowDateTime;
    value.HighPart = t.dwHighDateTime;
    return value.QuadPart;
}

double Milliseconds(Stamp from, Stamp to) { return static_cast<double>(static_cast<LONGLONG>(to - from)) / 1e4; }

// The file's last-write time; 0 when it cannot be read.
Stamp LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return FromFileTime(data.ftLastWriteTime);
}

// The latest last-write time of the files below folder; 0 when it has none.
Stamp LatestWrite(const std::string& folder) {
    Stamp latest = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        Stamp t = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                      ? LatestWrite(folder + "\\" + found.cFileName)
                      : FromFileTime(found.ftLastWriteTime);
        latest = std::max(latest, t);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return latest;
}

// What the polling saw: when the picture was on the screen and when the
// clean-up script existed; 0 for what it did not see.
struct Sightings {
    Stamp painted = 0;
    Stamp scriptSeen = 0;
};

// Polls every millisecond (sleeping in between, so that the launcher keeps
// the processor) until the launcher's splash shows its picture and its
// clean-up script exists, or until the next stage is ready or the time is
// up. The platform's file times cannot tell the script's creation: it gives
// the last change as the creation time.
Sightings Watch(LauncherRun& run, const BITMAPINFOHEADER* picture, const std::string& script) {
    HDC screen = GetDC(nullptr);
    Sightings seen;
    HWND splash = nullptr;
    DWORD start = GetTickCount();
    while ((seen.painted == 0 || seen.scriptSeen == 0) && GetTickCount() - start < kRunLimitMs) {
        if (seen.painted == 0) {
            if (splash == nullptr) {
                splash = FindSplashWindow(run.Launcher().Id());
            }
            if (splash != nullptr && PictureOnScreen(screen, splash, picture)) seen.painted = SystemTimeNow();
        }
        if (seen.scriptSeen == 0 && ScratchFolder::Exists(script)) seen.scriptSeen = SystemTimeNow();
        if (WaitForSingleObject(run.ReadyEvent(), 1) == WAIT_OBJECT_0) break;
    }
    ReleaseDC(nullptr, screen);
    return seen;
}

// The steps of one launcher run, in milliseconds; see MeasureStartup.
struct LauncherSteps {
    double paint, freeSpace, unpack, script, nextStage, total;
};

// The next stage's own record of its start.
Stamp NextStageStart(const LauncherRun& run) {
    bool found = false;
    std::string text = run.Recorded("start-time.txt", &found);
    return found ? _strtoui64(text.c_str(), nullptr, 10) : 0;
}

bool RunLauncher(const BITMAPINFOHEADER* picture, int index, LauncherSteps* steps) {
    std::string temp = FreshFolder("measure-temp") + "\\";
    std::string record = FreshFolder("measure-record");
    // The next stage holds the clean-up back until the unpacked files have been looked at.
    LauncherRun run(temp, record, true);
    if (!run.Start("")) {
        fprintf(stderr, "run %d: the launcher did not start: %s\n", index, run.Launcher().Failure().c_str());
        return false;
    }
    Stamp started = run.Launcher().StartTime();
    std::string script = temp + "0.bat";
    Sightings seen = Watch(run, picture, script);
    if (!run.WaitForNextStage(kRunLimitMs)) {
        fprintf(stderr, "run %d: the next stage did not start\n", index);
        return false;
    }
    Stamp scriptClosed = LastWrite(script);
    Stamp unpacked = LatestWrite(temp + "TVQSetup0");
    Stamp nextStage = NextStageStart(run);
    if (seen.painted == 0 || seen.scriptSeen == 0 || scriptClosed == 0 || unpacked == 0 || nextStage == 0) {
        fprintf(stderr, "run %d: a step left no trace (picture %s, script %s, unpacked files %s)\n", index,
                seen.painted != 0 ? "seen" : "not seen", seen.scriptSeen != 0 ? "seen" : "not seen",
                unpacked != 0 ? "found" : "missing");
        return false;
    }
    run.ReleaseCleanup();
    if (!run.WaitForCleanup(script, kRunLimitMs)) {
        fprintf(stderr, "run %d: the clean-up did not finish\n", index);
        return false;
    }
    steps->paint = Milliseconds(started, seen.painted);
    steps->freeSpace = Milliseconds(seen.painted, seen.scriptSeen);
    steps->unpack = Milliseconds(seen.scriptSeen, unpacked);
    steps->script = Milliseconds(unpacked, scriptClosed);
    steps->nextStage = Milliseconds(scriptClosed, nextStage);
    steps->total = Milliseconds(started, nextStage);
    return true;
}

// The bare program beside this one: it only starts the command line it
// is given, here the next stage by its full path with the launcher's arguments.
bool RunBare(int index, double* total) {
    std::string temp = FreshFolder("measure-temp") + "\\";
    std::string record = FreshFolder("measure-record");
    // Unelevated like the launcher's runs, so that both start alike.
    LauncherRun run(temp, record, false);
    std::string bare = BesideTestProgram("bare_launch.exe");
    // The launcher's own command format, its program quoted as a full path
    // and without a clean-up script.
    std::string program = "\"" + bare + "\" \"" + Settings().zoratrel + "\"";
    std::vector<char> formatted(sizeof kNextStageCommandFormat + program.size() + Settings().launcher.size());
    snprintf(formatted.data(), formatted.size(), kNextStageCommandFormat, program.c_str(), Settings().launcher.c_str(),
             "", "");
    std::string command = formatted.data();
    if (!run.StartCommandLine(bare, command) || !run.WaitForNextStage(kRunLimitMs)) {
        fprintf(stderr, "bare run %d: the next stage did not start\n", index);
        return false;
    }
    Stamp nextStage = NextStageStart(run);
    if (nextStage == 0) return false;
    *total = Milliseconds(run.Launcher().StartTime(), nextStage);
    return true;
}

int MeasureStartup(int runs) {
    LauncherPicture launcherPicture(Settings().launcher);
    const BITMAPINFOHEADER* picture = launcherPicture.Dib();
    if (picture == nullptr) {
        fprintf(stderr, "the launcher's picture cannot be read\n");
        return 1;
    }
    std::vector<double> paint, freeSpace, unpack, script, nextStage, total, bare;
    int result = 0;
    printf("%-5s %9s %9s %9s %9s %9s | %9s %9s\n", "run", "paint", "space", "unpack", "script", "start", "launcher",
           "bare");
    for (int i = 1; i <= runs && result == 0; ++i) {
        // Turn about, so that neither always runs on what the other left warm.
        LauncherSteps steps;
        double bareTotal = 0;
        bool ok = i % 2 != 0 ? RunLauncher(picture, i, &steps) && RunBare(i, &bareTotal)
                             : RunBare(i, &bareTotal) && RunLauncher(picture, i, &steps);
        if (!ok) {
            result = 1;
            break;
        }
        printf("%-5d %9.1f %9.1f %9.1f %9.1f %9.1f | %9.1f %9.1f\n", i, steps.paint, steps.freeSpace, steps.unpack,
               steps.script, steps.nextStage, steps.total, bareTotal);
        fflush(stdout);
        paint.push_back(steps.paint);
        freeSpace.push_back(steps.freeSpace);
        unpack.push_back(steps.unpack);
        script.push_back(steps.script);
        nextStage.push_back(steps.nextStage);
        total.push_back(steps.total);
        bare.push_back(bareTotal);
    }
    if (result == 0) {
        printf("%-5s %9.1f %9.1f %9.1f %9.1f %9.1f | %9.1f %9.1f\n", "median", Median(paint), Median(freeSpace),
               Median(unpack), Median(script), Median(nextStage), Median(total), Median(bare));
        printf("launcher's own share (median launcher - median bare): %.1f ms\n", Median(total) - Median(bare));
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (!ParseSettings(&argc, argv, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    int runs = 11;
    for (int i = 1; i < argc; ++i) {
        // The driver's test selection, when its command line is taken over whole, selects nothing here.
        if (strncmp(argv[i], "--gtest_", 8) == 0) continue;
        if (strncmp(argv[i], "--measure=", 10) != 0) {
            fprintf(stderr, "usage: startup_timing OPTIONS [--measure=N]\n");
            return 2;
        }
        runs = std::max(1, atoi(argv[i] + 10));
    }
    return MeasureStartup(runs);
}
