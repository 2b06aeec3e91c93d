// Processes a test starts, with an environment of its choice, elevated or
// not, and the clock their start is noted on.
#ifndef TESSAROVEN_TESTS_CHILD_PROCESS_H
#define TESSAROVEN_TESTS_CHILD_PROCESS_H

#include <windows.h>

#include <map>
#include <string>

#include "ansi_text.h"

// A process environment, case-blind in its names like the platform's. In
// 16 bits, so that it can hold what the ANSI code page cannot.
class EnvironmentBlock {
public:
    // The environment of the running program.
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

// How a test starts a process. Under Wine every process is elevated; a
// restricted copy of this process's token in which Administrators only
// denies gives a process that the platform's membership check (and so the
// launcher) takes for an unelevated one.
enum class Elevation { AsIs, Unelevated };

// Starts program like CreateProcessW with creationFlags plus
// CREATE_UNICODE_ENVIRONMENT, environment's block and startup, under this
// process's token (AsIs) or the restricted one (Unelevated). True with *info
// filled, whose two handles the caller then owns; false with *failure
// naming the step that failed and its Windows error.
bool CreateProcessWith(Elevation elevation, const std::wstring& program, const std::wstring& commandLine,
                       const EnvironmentBlock& environment, DWORD creationFlags, STARTUPINFOW* startup,
                       PROCESS_INFORMATION* info, std::string* failure);

// A process a test started; ended by the destructor if it still runs.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // True when program started, elevated or not as asked; else Failure()
    // says why. Also notes the system time just before the start, for the
    // launch delay. Once per object.
    bool Start(const std::string& program, const std::string& commandLine, const EnvironmentBlock& environment,
               Elevation elevation, int showCommand = SW_SHOWNORMAL) {
        return Start(Wide(program), Wide(commandLine), environment, elevation, showCommand);
    }
    bool Start(const std::wstring& program, const std::wstring& commandLine, const EnvironmentBlock& environment,
               Elevation elevation, int showCommand = SW_SHOWNORMAL);
    // Why the last Start failed: the step and its Windows error; empty after a start.
    const std::string& Failure() const { return failure_; }
    // True when the process ended within milliseconds; the caller's
    // messages are dispatched meanwhile.
    bool Wait(DWORD milliseconds);
    DWORD ExitCode() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    ULONGLONG StartTime() const { return startTime_; }

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    ULONGLONG startTime_ = 0;
    std::string failure_;
};

// The system time as a count of 100 ns units, the clock of StartTime and
// of the platform's file times.
ULONGLONG SystemTimeNow();

#endif
