// Helpers of the end-to-end tests, which run the real launcher executable
// under Wine: the paths the build hands over, the demo payload as the
// source tree holds it, processes started with a chosen environment, and
// the windows of other processes.
#ifndef TESSAROVEN_TESTS_E2E_SUPPORT_H
#define TESSAROVEN_TESTS_E2E_SUPPORT_H

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// What the build and the wrapper script tell the driver, as DOS paths.
struct E2eSettings {
    std::string launcher;        // setup.exe with the demo payload
    std::string zoratrel;        // the demo next stage, as built
    std::string kestavon;        // the demo helper, as built
    std::string payload;         // the source payload folder, one sub-folder per archive
    std::string tiles;           // the generated data\tiles.dat of BASE
    std::string language;        // the language of this run: en, de, fr, it or es
    std::string smallDrive;      // a drive with less than 10 MB free ("T:"), or empty
    bool smallDrivePrivate = false;  // that drive is an empty file system of this run alone
    std::string fewInodesDrive;  // a drive with room but almost no inodes ("U:"), or empty
    std::string fullFolder;      // a 1 MB file system mounted as a folder of a drive with room (V:\full\), or empty
};

const E2eSettings& Settings();
// Takes the --name=value options the driver knows out of argv; false with a
// reason when one is missing.
bool ParseSettings(int* argc, char** argv, std::string* error);

// A Unix path (as CMake passes them) on Wine's drive Z:; DOS paths unchanged.
std::string DosPath(const std::string& path);

// A fresh, empty folder name below the driver's scratch folder (which is
// under its own temporary folder and removed by RemoveScratch); no trailing backslash.
std::string ScratchFolder(const std::string& name);
void RemoveScratch();

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
// The file's bytes; found tells whether it could be read.
std::string ReadBytes(const std::string& path, bool* found = nullptr);
bool WriteBytes(const std::string& path, const std::string& bytes);
// Every file and folder below folder, relative, sorted; folders end in '\'.
std::vector<std::string> ListTree(const std::string& folder);
// The same for the folder's own entries only.
std::vector<std::string> ListFolder(const std::string& folder);

// One file the launcher unpacks (or the next stage reads), where the source
// tree or the build keeps it.
struct PayloadFile {
    std::string archive;
    std::string name;  // inside the archive, '\' between folders
    std::string source;
};
// The files of the named archives, archive by archive and within one in the
// order the archive tool packs them (byte order of the names).
std::vector<PayloadFile> ExpectedPayload(const std::vector<std::string>& archives);
// The names of a null-terminated list of payload_archives.h.
std::vector<std::string> ArchiveNames(const char* const* names);

// text in the ANSI code page, taken to 16 bits and back.
std::wstring Wide(const std::string& text);
std::string Ansi(const std::wstring& text);

// A process environment, case-blind in its names like the platform's. In
// 16 bits, so that it can hold what the ANSI code page cannot.
class EnvironmentBlock {
public:
    // The driver's own environment.
    static EnvironmentBlock Current();
    void Set(const std::string& name, const std::string& value) { Set(name, Wide(value)); }
    void Set(const std::string& name, const std::wstring& value);
    void Remove(const std::string& name);
    // The block for CreateProcessW: name=value strings, each ended by a zero, and one more zero.
    std::wstring Block() const;

private:
    struct Blind {
        bool operator()(const std::wstring& a, const std::wstring& b) const {
            return _wcsicmp(a.c_str(), b.c_str()) < 0;
        }
    };
    std::map<std::wstring, std::wstring, Blind> values_;
};

// A process this driver started; ended by the destructor if it still runs.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Also notes the system time just before the start, for the launch delay.
    bool Start(const std::string& program, const std::string& commandLine, const EnvironmentBlock& environment,
               int showCommand = SW_SHOWNORMAL) {
        return Start(Wide(program), Wide(commandLine), environment, showCommand);
    }
    bool Start(const std::wstring& program, const std::wstring& commandLine, const EnvironmentBlock& environment,
               int showCommand = SW_SHOWNORMAL);
    // True when the process ended within milliseconds; messages of the
    // driver's own windows are dispatched meanwhile.
    bool Wait(DWORD milliseconds);
    DWORD ExitCode() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    ULONGLONG StartTime() const { return startTime_; }

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    ULONGLONG startTime_ = 0;
};

// Dispatches the driver's own messages while it waits for handle (or for
// the time to pass, with a null handle); true when the handle was signalled.
bool WaitDispatching(HANDLE handle, DWORD milliseconds);

// Polls condition every few milliseconds until it holds or the time is up.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= milliseconds) return condition();
        WaitDispatching(nullptr, 20);
    }
}

// A visible top-level window of class "#32770" of process id with the caption.
struct MessageBoxWindow {
    HWND window = nullptr;
    std::string text;  // the non-empty static text: the message
    bool showsIcon = false;
};
bool FindMessageBox(DWORD processId, const std::string& caption, DWORD milliseconds, MessageBoxWindow* found);
void PressOk(HWND messageBox);
// A visible top-level dialog of process id with the caption and a button
// of the id (IDYES, say), waited for up to milliseconds; null if none came.
HWND FindDialogWithButton(DWORD processId, const std::string& caption, int button, DWORD milliseconds);
// The launcher's splash window: its visible top-level dialog without a
// caption; null when it has none.
HWND FindSplashWindow(DWORD processId);

// The system time as a count of 100 ns units.
ULONGLONG SystemTimeNow();

#endif
