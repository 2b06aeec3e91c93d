#include "injected_launch.h"

namespace {

const DWORD kLoadMs = 30000;

// Loads dll into process by a thread that starts at LoadLibraryA. The
// launcher is the same kind of executable as this driver, so kernel32 is
// where it is here.
bool LoadInto(HANDLE process, const std::string& dll, std::string* error) {
    void* remote = VirtualAllocEx(process, nullptr, dll.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr || !WriteProcessMemory(process, remote, dll.c_str(), dll.size() + 1, nullptr)) {
        *error = "cannot write the DLL's path into the launcher: " + std::to_string(GetLastError());
        return false;
    }
    LPTHREAD_START_ROUTINE load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
    if (thread == nullptr) {
        *error = "cannot start a thread in the launcher: " + std::to_string(GetLastError());
        return false;
    }
    DWORD waited = WaitForSingleObject(thread, kLoadMs);
    DWORD loaded = 0;
    GetExitCodeThread(thread, &loaded);
    CloseHandle(thread);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (waited != WAIT_OBJECT_0 || loaded == 0) {
        *error = "the launcher did not load " + dll;
        return false;
    }
    return true;
}

}  // namespace

InjectedLaunch::~InjectedLaunch() {
    if (job_ != nullptr) {
        TerminateJobObject(job_, 99);
        CloseHandle(job_);
    }
    if (process_ != nullptr) {
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
    }
    if (shared_ != nullptr) UnmapViewOfFile(shared_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
}

bool InjectedLaunch::Start(const std::string& program, const std::string& commandLine,
                           const EnvironmentBlock& environment, Elevation elevation, const std::string& dll,
                           const FaultPlan& plan, std::string* error) {
    job_ = CreateJobObjectA(nullptr, nullptr);
    if (job_ == nullptr) {
        *error = "cannot create a job: " + std::to_string(GetLastError());
        return false;
    }
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    // No standard handles: the clean-up script's interpreter would write
    // every line it runs into the driver's output.
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info;
    std::string failure;
    if (!CreateProcessWith(elevation, Wide(program), Wide(commandLine), environment, CREATE_SUSPENDED, &startup, &info,
                           &failure)) {
        *error = "cannot start " + program + ": " + failure;
        return false;
    }
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    bool ready = AssignProcessToJobObject(job_, process_) != FALSE;
    if (!ready) *error = "cannot put the launcher into a job: " + std::to_string(GetLastError());
    if (ready) {
        char name[64];
        FaultMappingName(id_, name);
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(FaultShared), name);
        if (mapping_ != nullptr)
            shared_ = static_cast<FaultShared*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FaultShared)));
        ready = shared_ != nullptr;
        if (!ready) *error = "cannot share the plan: " + std::to_string(GetLastError());
    }
    if (ready) {
        shared_->plan = plan;
        ready = LoadInto(process_, dll, error);
    }
    if (ready && shared_->record.hooksInstalled == 0) {
        *error = "the DLL replaced no import of the launcher";
        ready = false;
    }
    if (ready && ResumeThread(info.hThread) == static_cast<DWORD>(-1)) {
        *error = "cannot resume the launcher: " + std::to_string(GetLastError());
        ready = false;
    }
    CloseHandle(info.hThread);
    if (!ready) TerminateProcess(process_, 99);
    return ready;
}

bool InjectedLaunch::TreeEnded() const {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting;
    if (!QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                   nullptr))
        return LauncherEnded();
    return accounting.ActiveProcesses == 0;
}

DWORD InjectedLaunch::ProcessesStarted() const {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting;
    if (!QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                   nullptr))
        return 0;
    return accounting.TotalProcesses;
}

bool InjectedLaunch::LauncherEnded() const { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }

DWORD InjectedLaunch::ExitCode() const {
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process_, &code);
    return code;
}
