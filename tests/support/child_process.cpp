#include "child_process.h"

#include <string.h>

#include <memory>

#include "message_wait.h"

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

std::string StepFailed(const char* step) {
    return std::string(step) + " failed: error " + std::to_string(GetLastError());
}

// This process's token with BUILTIN\Administrators made deny-only: the
// membership check then says no, and since the token derives from the
// caller's own, starting a process with it needs no privilege.
bool UnelevatedToken(OwnedHandle* restricted, std::string* failure) {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, &own)) {
        *failure = StepFailed("OpenProcessToken");
        return false;
    }
    OwnedHandle ownToken(own);
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) {
        *failure = StepFailed("CreateWellKnownSid");
        return false;
    }
    SID_AND_ATTRIBUTES denyOnly;
    denyOnly.Sid = administrators;
    denyOnly.Attributes = 0;
    HANDLE token = nullptr;
    if (!CreateRestrictedToken(own, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &token)) {
        *failure = StepFailed("CreateRestrictedToken");
        return false;
    }
    restricted->reset(token);
    return true;
}

}  // namespace

bool CreateProcessWith(Elevation elevation, const std::wstring& program, const std::wstring& commandLine,
                       const EnvironmentBlock& environment, DWORD creationFlags, STARTUPINFOW* startup,
                       PROCESS_INFORMATION* info, std::string* failure) {
    std::wstring buffer = commandLine;
    std::wstring block = environment.Block();
    DWORD flags = creationFlags | CREATE_UNICODE_ENVIRONMENT;
    if (elevation == Elevation::AsIs) {
        if (CreateProcessW(program.c_str(), &buffer[0], nullptr, nullptr, FALSE, flags, &block[0], nullptr, startup,
                           info))
            return true;
        *failure = StepFailed("CreateProcessW");
        return false;
    }
    OwnedHandle token;
    if (!UnelevatedToken(&token, failure)) return false;
    if (CreateProcessAsUserW(token.get(), program.c_str(), &buffer[0], nullptr, nullptr, FALSE, flags, &block[0],
                             nullptr, startup, info))
        return true;
    *failure = StepFailed("CreateProcessAsUserW");
    return false;
}

EnvironmentBlock EnvironmentBlock::Current() {
    EnvironmentBlock block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* p = strings; *p != L'\0'; p += wcslen(p) + 1) {
        // Entries such as "=C:=C:\..." keep their leading '='.
        const wchar_t* equals = wcschr(p + 1, L'=');
        if (equals == nullptr) continue;
        block.values_[std::wstring(p, equals)] = equals + 1;
    }
    FreeEnvironmentStringsW(strings);
    return block;
}

void EnvironmentBlock::Set(const std::string& name, const std::wstring& value) { values_[Wide(name)] = value; }

void EnvironmentBlock::Remove(const std::string& name) { values_.erase(Wide(name)); }

std::wstring EnvironmentBlock::Block() const {
    std::wstring block;
    for (const auto& entry : values_) {
        block += entry.first + L"=" + entry.second;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

ChildProcess::~ChildProcess() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool ChildProcess::Start(const std::wstring& program, const std::wstring& commandLine,
                         const EnvironmentBlock& environment, Elevation elevation, int showCommand) {
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info;
    startTime_ = SystemTimeNow();
    failure_.clear();
    if (!CreateProcessWith(elevation, program, commandLine, environment, 0, &startup, &info, &failure_)) return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::Wait(DWORD milliseconds) { return process_ != nullptr && WaitDispatching(process_, milliseconds); }

DWORD ChildProcess::ExitCode() const {
    DWORD code = 0xFFFFFFFF;
    if (process_ != nullptr) GetExitCodeProcess(process_, &code);
    return code;
}

ULONGLONG SystemTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value;
    value.LowPart = now.dwLowDateTime;
    value.HighPart = now.dwHighDateTime;
    return value.QuadPart;
}
