#include "child_process.h"

#include <string.h>

#include "message_wait.h"

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
                         const EnvironmentBlock& environment, int showCommand) {
    std::wstring buffer = commandLine;
    std::wstring block = environment.Block();
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info;
    startTime_ = SystemTimeNow();
    if (!CreateProcessW(program.c_str(), &buffer[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, &block[0],
                        nullptr, &startup, &info))
        return false;
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
