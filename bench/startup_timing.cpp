#include "startup_timing.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dib_loader.h"
#include "launcher_run.h"
#include "splash_test_support.h"
#include "splash_window.h"

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

// True when the screen shows the picture in window's client area.
bool PictureShown(HDC screen, HWND window, const BITMAPINFOHEADER* picture) {
    POINT origin = {0, 0};
    return ClientToScreen(window, &origin) && PictureOnScreen(screen, origin, picture);
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
            if (splash != nullptr && PictureShown(screen, splash, picture)) seen.painted = SystemTimeNow();
        }
        if (seen.scriptSeen == 0 && PathExists(script)) seen.scriptSeen = SystemTimeNow();
        if (WaitForSingleObject(run.ReadyEvent(), 1) == WAIT_OBJECT_0) break;
    }
    ReleaseDC(nullptr, screen);
    return seen;
}

// The steps of one launcher run, in milliseconds; see MeasureStartup.
struct LauncherSteps {
    double paint, freeSpace, unpack, script, nextStage, total;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The next stage's own record of its start.
Stamp NextStageStart(const LauncherRun& run) {
    bool found = false;
    std::string text = run.Recorded("start-time.txt", &found);
    return found ? _strtoui64(text.c_str(), nullptr, 10) : 0;
}

bool RunLauncher(const BITMAPINFOHEADER* picture, int index, LauncherSteps* steps) {
    std::string temp = ScratchFolder("measure-temp") + "\\";
    std::string record = ScratchFolder("measure-record");
    // The next stage holds the clean-up back until the unpacked files have been looked at.
    LauncherRun run(temp, record, true);
    if (!run.Start("")) {
        fprintf(stderr, "run %d: the launcher did not start\n", index);
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

// The bare program beside this driver: it only starts the command line it
// is given, here the next stage by its full path with the launcher's arguments.
bool RunBare(int index, double* total) {
    std::string temp = ScratchFolder("measure-temp") + "\\";
    std::string record = ScratchFolder("measure-record");
    LauncherRun run(temp, record, false);
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string bare = std::string(self, n);
    bare.replace(bare.find_last_of('\\') + 1, std::string::npos, "bare_launch.exe");
    std::string command = "\"" + bare + "\" \"" + Settings().zoratrel +
                          "\" TVSetup SetupProgram=TVMirva Basic=Yes Wnd=Normal Server=None Wnd=Maximized "
                          "ResourceFile=\"" + Settings().launcher + "\" CleanUp=\"\" ";
    if (!run.StartCommandLine(bare, command) || !run.WaitForNextStage(kRunLimitMs)) {
        fprintf(stderr, "bare run %d: the next stage did not start\n", index);
        return false;
    }
    Stamp nextStage = NextStageStart(run);
    if (nextStage == 0) return false;
    *total = Milliseconds(run.Launcher().StartTime(), nextStage);
    return true;
}

}  // namespace

int MeasureStartup(int runs) {
    HMODULE module = LoadLibraryExA(Settings().launcher.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    BITMAPINFOHEADER* picture = module != nullptr ? LoadResourceDib(kSplashPictureId, module) : nullptr;
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
    FreeDib(picture);
    FreeLibrary(module);
    return result;
}
