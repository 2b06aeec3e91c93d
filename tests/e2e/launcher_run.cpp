#include "launcher_run.h"

const char kSetupWindowClass[] = "AfxFrameOrView42";
const char kSetupWindowTitle[] = "Tessaroven Setup";

namespace {

const DWORD kSetupWindowGoneMs = 20000;

std::string EventName(const char* role) {
    static int counter = 0;
    return std::string("tv-e2e-") + role + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

}  // namespace

HWND FindSetupWindow() { return FindWindowA(kSetupWindowClass, kSetupWindowTitle); }

LauncherRun::LauncherRun(const std::string& temp, const std::string& record, bool holdCleanup, Elevation elevation)
    : record_(record), elevation_(elevation), environment_(EnvironmentBlock::Current()) {
    std::string readyName = EventName("ready");
    ready_ = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    environment_.Set("TEMP", temp);
    environment_.Set("TMP", temp);
    environment_.Set("TV_DEMO_RECORD_DIR", record);
    environment_.Set("TV_DEMO_READY_EVENT", readyName);
    // Short, so that the next run does not wait long for the window to close.
    environment_.Set("TV_DEMO_WINDOW_MS", "300");
    if (holdCleanup) {
        std::string holdName = EventName("hold");
        hold_ = CreateEventA(nullptr, TRUE, FALSE, holdName.c_str());
        environment_.Set("TV_DEMO_HOLD_EVENT", holdName);
    } else {
        environment_.Remove("TV_DEMO_HOLD_EVENT");
    }
}

LauncherRun::~LauncherRun() {
    ReleaseCleanup();
    if (launcher_.Handle() != nullptr) launcher_.Wait(10000);
    WaitUntil([] { return FindSetupWindow() == nullptr; }, kSetupWindowGoneMs);
    if (hold_ != nullptr) CloseHandle(hold_);
    if (ready_ != nullptr) CloseHandle(ready_);
}

bool LauncherRun::Start(const std::string& tail, const std::wstring& program) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!tail.empty()) commandLine += L" " + Wide(tail);
    return launcher_.Start(program, commandLine, environment_, elevation_);
}

bool LauncherRun::StartCommandLine(const std::string& program, const std::string& commandLine) {
    return launcher_.Start(program, commandLine, environment_, elevation_);
}

bool LauncherRun::WaitForNextStage(DWORD milliseconds) { return WaitDispatching(ready_, milliseconds); }

void LauncherRun::ReleaseCleanup() {
    if (hold_ != nullptr) SetEvent(hold_);
}

std::string LauncherRun::Recorded(const char* name, bool* found) const {
    return ScratchFolder::ReadAll(record_ + "\\" + name, found);
}

bool LauncherRun::WaitForCleanup(const std::string& script, DWORD milliseconds) const {
    std::string started = record_ + "\\cleanup.txt";
    return WaitUntil([&] { return ScratchFolder::Exists(started) && !ScratchFolder::Exists(script); }, milliseconds);
}
