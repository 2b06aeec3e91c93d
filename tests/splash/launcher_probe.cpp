// Runs the real launcher and works its splash window from outside, as a
// user would. The launcher is started with its temporary folder on a drive
// that does not exist, so that it stops at its no-space message with the
// splash painted and its message box dispatching messages, before anything
// is created.
//
// SETUP is the launcher beside this program.
//
//   launcher_probe close
//       closes the splash and answers the question No (the window and the
//       launcher stay), then closes it again and answers Yes: the launcher
//       must end with 0 at once (without the question it would end with 1).
//   launcher_probe hold FOLDER
//       moves the no-space message off the splash, writes FOLDER\window.txt
//       (the client area's left, top, width and height on the screen) and
//       FOLDER\picture.bmp (the picture the launcher carries), creates
//       FOLDER\ready, waits for FOLDER\taken (a screenshot taken from
//       outside), then answers the message; the launcher must end with 1.
//   launcher_probe measure [RUNS]
//       prints the time from starting the launcher until its splash window
//       exists and until its picture is on the screen, for each run and
//       the median.
// Exit code 0 when everything behaved as expected.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dib_loader.h"
#include "message_text.h"
#include "splash_test_support.h"
#include "splash_window.h"

namespace {

const char kMissingTemp[] = "Q:\\tvprobe\\";

bool g_failed = false;

void Check(bool condition, const char* what) {
    printf("%s: %s\n", condition ? "ok" : "FAILED", what);
    fflush(stdout);
    if (!condition) g_failed = true;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

struct Launcher {
    PROCESS_INFORMATION process = {};
    bool started = false;
    LARGE_INTEGER startTime = {};
};

// The environment of this process with TMP and TEMP on a missing drive.
std::vector<char> EnvironmentWithMissingTemp() {
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* p = strings; *p != '\0'; p += strlen(p) + 1) {
        if (_strnicmp(p, "TMP=", 4) == 0 || _strnicmp(p, "TEMP=", 5) == 0) continue;
        block.insert(block.end(), p, p + strlen(p) + 1);
    }
    FreeEnvironmentStringsA(strings);
    for (const char* name : {"TMP=", "TEMP="}) {
        std::string entry = std::string(name) + kMissingTemp;
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    }
    block.push_back('\0');
    return block;
}

bool Start(const char* setup, Launcher* launcher) {
    std::vector<char> environment = EnvironmentWithMissingTemp();
    std::string commandLine = std::string("\"") + setup + "\"";
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    QueryPerformanceCounter(&launcher->startTime);
    launcher->started = CreateProcessA(setup, &commandLine[0], nullptr, nullptr, FALSE, 0, environment.data(),
                                       nullptr, &startup, &launcher->process) != FALSE;
    return launcher->started;
}

// Ends a launcher that is still running (after a failed check) and closes its handles.
void Finish(Launcher* launcher) {
    if (!launcher->started) return;
    if (WaitForSingleObject(launcher->process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(launcher->process.hProcess, 99);
        WaitForSingleObject(launcher->process.hProcess, 5000);
    }
    CloseHandle(launcher->process.hThread);
    CloseHandle(launcher->process.hProcess);
    launcher->started = false;
}

struct WindowSearch {
    DWORD processId;
    bool wantTitle;  // true: a message box (caption message 0); false: the untitled splash
    std::string text;  // a message box's text must contain this, when not empty
    HWND found;
};

std::string BoxText(HWND box) {
    char text[2048] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window)) return TRUE;
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0) return TRUE;
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    if (!search->wantTitle) {
        if (title[0] != '\0') return TRUE;
    } else {
        if (strcmp(title, GetMessageText(0)) != 0) return TRUE;
        if (!search->text.empty() && BoxText(window).find(search->text) == std::string::npos) return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindLauncherWindow(const Launcher& launcher, bool messageBox, const std::string& text) {
    WindowSearch search = {launcher.process.dwProcessId, messageBox, text, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForLauncherWindow(const Launcher& launcher, bool messageBox, const std::string& text, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        HWND window = FindLauncherWindow(launcher, messageBox, text);
        if (window != nullptr) return window;
        if (WaitForSingleObject(launcher.process.hProcess, 0) != WAIT_TIMEOUT) return nullptr;
        Sleep(5);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

// The text the launcher's no-space message starts with: the first line of
// message 5 with the drive filled in.
std::string NoSpaceTextStart() {
    std::string format = GetMessageText(5);
    format = format.substr(0, format.find('\n'));
    char text[512];
    snprintf(text, sizeof text, format.c_str(), "Q:");
    return text;
}

// The question's first line, to tell its box from the no-space message.
std::string QuestionTextStart() {
    std::string text = GetMessageText(1);
    return text.substr(0, text.find('\n'));
}

DWORD ExitCodeAfter(const Launcher& launcher, DWORD timeoutMs) {
    if (WaitForSingleObject(launcher.process.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(launcher.process.hProcess, &code);
    return code;
}

void Press(HWND box, int button) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

// The launcher at its no-space message, with its splash up.
bool ReachNoSpaceMessage(const char* setup, Launcher* launcher, HWND* splash, HWND* noSpace) {
    if (!Start(setup, launcher)) {
        Check(false, "the launcher starts");
        return false;
    }
    *noSpace = WaitForLauncherWindow(*launcher, true, NoSpaceTextStart(), 30000);
    Check(*noSpace != nullptr, "the launcher shows its no-space message");
    *splash = FindLauncherWindow(*launcher, false, "");
    Check(*splash != nullptr, "its splash window is up meanwhile");
    return *noSpace != nullptr && *splash != nullptr;
}

int RunClose(const char* setup) {
    Launcher launcher;
    HWND splash = nullptr, noSpace = nullptr;
    if (ReachNoSpaceMessage(setup, &launcher, &splash, &noSpace)) {
        RECT client;
        GetClientRect(splash, &client);
        Check(client.right == 480 && client.bottom == 350, "the splash's client area is 480 x 350");

        // Closing asks first; No leaves everything as it was.
        PostMessageA(splash, WM_CLOSE, 0, 0);
        HWND question = WaitForLauncherWindow(launcher, true, QuestionTextStart(), 10000);
        Check(question != nullptr, "closing the splash asks the question");
        if (question != nullptr) {
            Check(GetDlgItem(question, IDYES) != nullptr && GetDlgItem(question, IDNO) != nullptr,
                  "the question offers Yes and No");
            Press(question, IDNO);
            Check(WaitForWindowGone(question, 10000), "the question goes away after No");
            Sleep(300);
            Check(WaitForSingleObject(launcher.process.hProcess, 0) == WAIT_TIMEOUT, "after No the launcher runs on");
            Check(IsWindowVisible(splash) != FALSE, "after No the splash stays");
            Check(IsWindowVisible(noSpace) != FALSE, "after No the no-space message stays");
        }

        // Yes ends the process with 0, from inside the no-space message.
        PostMessageA(splash, WM_CLOSE, 0, 0);
        question = WaitForLauncherWindow(launcher, true, QuestionTextStart(), 10000);
        Check(question != nullptr, "closing it again asks again");
        if (question != nullptr) {
            Press(question, IDYES);
            DWORD code = ExitCodeAfter(launcher, 10000);
            printf("exit code after Yes: %lu\n", static_cast<unsigned long>(code));
            Check(code == 0, "after Yes the launcher ends with 0");
        }
    }
    Finish(&launcher);
    return g_failed ? 1 : 0;
}

bool WriteBytes(const std::string& path, const void* data, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

// The launcher's own picture, loaded as the splash loads it, as a BMP file.
bool WritePicture(const char* setup, const std::string& path) {
    HMODULE module = LoadLibraryExA(setup, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return false;
    BITMAPINFOHEADER* block = LoadResourceDib(kSplashPictureId, module);
    bool ok = false;
    if (block != nullptr) {
        size_t bits = block->biSize + block->biClrUsed * 4;
        size_t size = bits + block->biSizeImage;
        std::vector<unsigned char> file(14 + size);
        BITMAPFILEHEADER header = {};
        header.bfType = 0x4D42;  // "BM"
        header.bfSize = static_cast<DWORD>(file.size());
        header.bfOffBits = static_cast<DWORD>(14 + bits);
        memcpy(file.data(), &header, 14);
        memcpy(file.data() + 14, block, size);
        ok = WriteBytes(path, file.data(), file.size());
        FreeDib(block);
    }
    FreeLibrary(module);
    return ok;
}

int RunHold(const char* setup, const std::string& folder) {
    Launcher launcher;
    HWND splash = nullptr, noSpace = nullptr;
    if (ReachNoSpaceMessage(setup, &launcher, &splash, &noSpace)) {
        // The message sits in the middle of the screen, over the splash:
        // move it to the bottom left corner, clear of it.
        RECT box;
        GetWindowRect(noSpace, &box);
        SetWindowPos(noSpace, nullptr, 0, GetSystemMetrics(SM_CYSCREEN) - (box.bottom - box.top), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Sleep(700);
        RECT client, outer;
        GetClientRect(splash, &client);
        GetWindowRect(splash, &outer);
        POINT origin = {0, 0};
        ClientToScreen(splash, &origin);
        GetWindowRect(noSpace, &box);
        RECT overlap;
        Check(!IntersectRect(&overlap, &box, &outer), "the no-space message no longer covers the splash");
        char line[160];
        snprintf(line, sizeof line, "%ld %ld %ld %ld\n%ld %ld %ld %ld\n", origin.x, origin.y, client.right,
                 client.bottom, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
        Check(WriteBytes(folder + "\\window.txt", line, strlen(line)), "window.txt written");
        Check(WritePicture(setup, folder + "\\picture.bmp"), "picture.bmp written");
        Check(WriteBytes(folder + "\\ready", "", 0), "ready");
        DWORD start = GetTickCount();
        while (GetFileAttributesA((folder + "\\taken").c_str()) == INVALID_FILE_ATTRIBUTES &&
               GetTickCount() - start < 60000)
            Sleep(50);
        Check(GetFileAttributesA((folder + "\\taken").c_str()) != INVALID_FILE_ATTRIBUTES, "the screenshot was taken");
        Press(noSpace, IDOK);
        Check(ExitCodeAfter(launcher, 10000) == 1, "after the no-space message the launcher ends with 1");
    }
    Finish(&launcher);
    return g_failed ? 1 : 0;
}

int RunMeasure(const char* setup, int runs) {
    HMODULE module = LoadLibraryExA(setup, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    BITMAPINFOHEADER* picture = module != nullptr ? LoadResourceDib(kSplashPictureId, module) : nullptr;
    if (picture == nullptr) {
        Check(false, "the launcher's picture loads");
        return 1;
    }
    std::vector<double> windowTimes, paintTimes;
    HDC screen = GetDC(nullptr);
    for (int run = 0; run < runs; ++run) {
        Launcher launcher;
        if (!Start(setup, &launcher)) {
            Check(false, "the launcher starts");
            break;
        }
        LARGE_INTEGER now;
        HWND splash = nullptr;
        double windowMs = -1, paintMs = -1;
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 30000) {
            // Short sleeps leave the processor to the launcher.
            Sleep(1);
            if (splash == nullptr) {
                splash = FindLauncherWindow(launcher, false, "");
                if (splash == nullptr) continue;
                QueryPerformanceCounter(&now);
                windowMs = Milliseconds(launcher.startTime, now);
            }
            POINT origin = {0, 0};
            ClientToScreen(splash, &origin);
            if (PictureOnScreen(screen, origin, picture)) {
                QueryPerformanceCounter(&now);
                paintMs = Milliseconds(launcher.startTime, now);
                break;
            }
        }
        HWND noSpace = WaitForLauncherWindow(launcher, true, NoSpaceTextStart(), 30000);
        if (noSpace != nullptr) Press(noSpace, IDOK);
        ExitCodeAfter(launcher, 10000);
        Finish(&launcher);
        printf("run %d: window after %.1f ms, picture on the screen after %.1f ms\n", run + 1, windowMs, paintMs);
        fflush(stdout);
        if (windowMs < 0 || paintMs < 0) {
            Check(false, "the splash appeared and painted");
            continue;
        }
        windowTimes.push_back(windowMs);
        paintTimes.push_back(paintMs);
    }
    ReleaseDC(nullptr, screen);
    FreeDib(picture);
    FreeLibrary(module);
    if (!paintTimes.empty()) {
        std::sort(windowTimes.begin(), windowTimes.end());
        std::sort(paintTimes.begin(), paintTimes.end());
        size_t mid = paintTimes.size() / 2;
        printf("median of %zu runs: window after %.1f ms, picture on the screen after %.1f ms (min %.1f, max %.1f)\n",
               paintTimes.size(), windowTimes[mid], paintTimes[mid], paintTimes.front(), paintTimes.back());
    }
    return g_failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string setup(path, n);
    setup.replace(setup.find_last_of("\\/") + 1, std::string::npos, "setup.exe");
    if (argc >= 2 && strcmp(argv[1], "close") == 0) return RunClose(setup.c_str());
    if (argc >= 3 && strcmp(argv[1], "hold") == 0) return RunHold(setup.c_str(), argv[2]);
    if (argc >= 2 && strcmp(argv[1], "measure") == 0) return RunMeasure(setup.c_str(), argc >= 3 ? atoi(argv[2]) : 7);
    fprintf(stderr, "usage: launcher_probe close | hold FOLDER | measure [RUNS]\n");
    return 2;
}
