// Demo stand-in for the next-stage setup program that the launcher starts.
// It does what the launcher relies on the real one to do: it reads the two
// archives left in the launcher's file, shows the setup window for a moment
// and at its end runs the clean-up script with its own process id. Along
// the way it records what it received, for the tests and the demo script.
//
// Environment (all optional):
//   TV_DEMO_RECORD_DIR   folder for the record files; nothing is recorded without it
//   TV_DEMO_WINDOW_MS    how long the window stays open (default 1000): the
//                        "installation", during which the window takes its messages
//   TV_DEMO_EXIT_CODE    the exit code to end with (default 0), as an
//                        installation that wants a restart ends with 3010
//   TV_DEMO_READY_EVENT  named event set once the record is complete
//   TV_DEMO_HOLD_EVENT   named event waited for (at most 30 s) before the
//                        clean-up script runs, so that a test can look at the
//                        unpacked files first
//
// Record files: command-line.txt (the command line byte for byte),
// start-time.txt (the start as a FILETIME count), module.txt,
// current-directory.txt, archives.txt (one line per archive entry: archive,
// tab, name, tab, inflated size) and cleanup.txt, written last.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "archive_format.h"
#include "archive_source.h"
#include "inflate_entry.h"
#include "payload_archives.h"
#include "qv_stream_exception.h"

namespace {

const char kWindowClass[] = "AfxFrameOrView42";
const char kWindowTitle[] = "Tessaroven Setup";
const DWORD kDefaultWindowMs = 1000;
const DWORD kLongestHoldMs = 30000;

std::string Environment(const char* name) {
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

class Record {
public:
    explicit Record(std::string folder) : folder_(std::move(folder)) {
        if (!folder_.empty()) CreateDirectoryA(folder_.c_str(), nullptr);
    }

    // Written to a temporary name first, so that a reader never sees half a file.
    void Write(const char* name, const std::string& bytes) const {
        if (folder_.empty()) return;
        std::string path = folder_ + "\\" + name;
        std::string partial = path + ".partial";
        FILE* f = fopen(partial.c_str(), "wb");
        if (f == nullptr) return;
        bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (fclose(f) != 0) written = false;
        if (written) MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

private:
    std::string folder_;
};

// The value of Name="..." on the command line; the launcher's own values
// stand before its tail, so the first occurrence is the one it wrote.
std::string QuotedValue(const char* commandLine, const char* name) {
    std::string key = std::string(" ") + name + "=\"";
    const char* start = strstr(commandLine, key.c_str());
    if (start == nullptr) return std::string();
    start += key.size();
    const char* end = strchr(start, '"');
    return end == nullptr ? std::string() : std::string(start, end);
}

// Counts the bytes an entry inflates to; nothing is kept.
class CountingWriter final : public QvWriter {
public:
    uint32_t Write(const void*, uint32_t count) override {
        total += count;
        return count;
    }
    uint64_t total = 0;
};

// One line per entry of the two archives the launcher leaves in its file,
// read as the launcher reads its own: the same lookup, check, walk and
// inflation.
std::string ListArchives(const std::string& launcherPath) {
    std::string lines;
    HMODULE launcher = LoadLibraryExA(launcherPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (launcher == nullptr) return "launcher not readable\n";
    ResourceArchiveSource source(launcher);
    for (const char* const* archive = kNextStageArchives; *archive != nullptr; ++archive) {
        uint32_t size = 0;
        const unsigned char* data = nullptr;
        try {
            data = source.Find(*archive, &size);
        } catch (QvStreamException* e) {
            lines += std::string(*archive) + "\tunreadable: " + (e->Detail() != nullptr ? e->Detail() : "") + "\n";
            delete e;
            continue;
        }
        if (data == nullptr) {
            lines += std::string(*archive) + "\tmissing\n";
            continue;
        }
        ArchiveCheck check = CheckArchive(data, size);
        if (check.fault != ArchiveFault::None) {
            lines += std::string(*archive) + "\tcorrupt: " + ArchiveFaultText(check.fault) + "\n";
            continue;
        }
        ArchiveWalker walker(data, size);
        ArchiveEntry entry;
        while (walker.Next(entry)) {
            std::string line = std::string(*archive) + "\t" + entry.name + "\t";
            CountingWriter counter;
            try {
                if (InflateEntry(walker.PackedData(entry), entry.packedSize, counter).complete)
                    line += std::to_string(counter.total);
                else
                    line += "damaged";
            } catch (const QvStreamException& e) {
                line += "inflate failed " + std::to_string(e.Code());
            }
            lines += line + "\n";
        }
    }
    FreeLibrary(launcher);
    return lines;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        DrawTextA(dc, "Demo next stage: the launcher's hand-over arrived.", -1, &client,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The setup window the launcher's single-instance test looks for. It pumps
// messages, so a second launcher can restore and activate it.
void ShowSetupWindow(HINSTANCE instance, int showCommand, DWORD milliseconds) {
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass)) return;
    HWND window = CreateWindowA(kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 480,
                                200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetTimer(window, 1, milliseconds, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void SetNamedEvent(const std::string& name) {
    if (name.empty()) return;
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str());
    if (event == nullptr) return;
    SetEvent(event);
    CloseHandle(event);
}

void WaitForNamedEvent(const std::string& name) {
    if (name.empty()) return;
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    if (event == nullptr) return;
    WaitForSingleObject(event, kLongestHoldMs);
    CloseHandle(event);
}

// Runs the script with this process's id, as the script's helper expects,
// and does not wait: the helper waits for this process to end.
std::string RunCleanup(const std::string& script) {
    char system[MAX_PATH];
    UINT n = GetSystemDirectoryA(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "no system folder\n";
    std::string interpreter = std::string(system) + "\\cmd.exe";
    // The outer quotes are the ones the interpreter strips after /c; the
    // inner ones keep a path with blanks or special characters together.
    std::string command = "cmd.exe /c \"\"" + script + "\" " + std::to_string(GetCurrentProcessId()) + "\"";
    std::string buffer = command;
    // The interpreter and the console host it brings along start in the
    // script's folder: a process whose current directory is the working
    // folder would keep the script from removing it.
    std::string folder = script.substr(0, script.find_last_of('\\') + 1);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(interpreter.c_str(), &buffer[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return command + "\nfailed " + std::to_string(GetLastError()) + "\n";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return command + "\nstarted\n";
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // First thing, so that the launch delay can be measured from outside.
    FILETIME started;
    GetSystemTimeAsFileTime(&started);
    ULARGE_INTEGER startTime;
    startTime.LowPart = started.dwLowDateTime;
    startTime.HighPart = started.dwHighDateTime;

    const char* commandLine = GetCommandLineA();
    Record record(Environment("TV_DEMO_RECORD_DIR"));
    record.Write("command-line.txt", commandLine);
    record.Write("start-time.txt", std::to_string(startTime.QuadPart) + "\n");
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    record.Write("module.txt", std::string(path, n < MAX_PATH ? n : 0));
    n = GetCurrentDirectoryA(MAX_PATH, path);
    record.Write("current-directory.txt", std::string(path, n < MAX_PATH ? n : 0));

    std::string launcher = QuotedValue(commandLine, "ResourceFile");
    std::string script = QuotedValue(commandLine, "CleanUp");
    if (!launcher.empty()) record.Write("archives.txt", ListArchives(launcher));
    SetNamedEvent(Environment("TV_DEMO_READY_EVENT"));

    DWORD windowMs = kDefaultWindowMs;
    std::string requested = Environment("TV_DEMO_WINDOW_MS");
    if (!requested.empty()) windowMs = strtoul(requested.c_str(), nullptr, 10);
    ShowSetupWindow(instance, showCommand, windowMs);

    WaitForNamedEvent(Environment("TV_DEMO_HOLD_EVENT"));
    record.Write("cleanup.txt", script.empty() ? std::string("no script\n") : RunCleanup(script));
    return static_cast<int>(strtoul(Environment("TV_DEMO_EXIT_CODE").c_str(), nullptr, 10));
}
