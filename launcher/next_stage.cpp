#include "next_stage.h"

#include <string.h>

namespace {

// As long as WinExec gives a started program to come up.
const DWORD kNextStageIdleMs = 30000;
const DWORD kIdleSliceMs = 50;

}  // namespace

bool StartNextStage(const char* program, char* commandLine, const char* folder, PROCESS_INFORMATION* process) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    return CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, process) !=
           FALSE;
}

void WaitUntilInputIdle(HANDLE process) {
    DWORD start = GetTickCount();
    for (;;) {
        // Idle, ended, or a program without a message queue.
        if (WaitForInputIdle(process, kIdleSliceMs) != WAIT_TIMEOUT) return;
        if (GetTickCount() - start >= kNextStageIdleMs) return;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
