#include "background_work.h"

#include "message_waits.h"

namespace {

// Plain values the two threads share: each is one aligned word, read and
// written whole, and the work only ever needs the latest.
volatile LONG g_stopReason = static_cast<LONG>(StopReason::None);
volatile LONG g_holds = 0;
volatile LONG g_running = 0;
// Set while the work may go on; the work waits on it while held.
HANDLE g_released = nullptr;
HANDLE g_thread = nullptr;

struct WorkCall {
    void (*work)(void*);
    void* context;
};

DWORD WINAPI WorkThread(void* call) {
    WorkCall* c = static_cast<WorkCall*>(call);
    c->work(c->context);
    return 0;
}

HANDLE ReleasedEvent() {
    if (g_released == nullptr) g_released = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    return g_released;
}

}  // namespace

void WorkCheckpoint() {
    if (g_holds == 0 && g_stopReason == static_cast<LONG>(StopReason::None)) return;
    // Held: wait without using the processor. Without an event, a short
    // sleep per look serves as well.
    while (g_holds > 0 && g_stopReason == static_cast<LONG>(StopReason::None)) {
        if (g_released == nullptr || WaitForSingleObject(g_released, INFINITE) == WAIT_FAILED) Sleep(20);
    }
    StopReason reason = static_cast<StopReason>(g_stopReason);
    if (reason != StopReason::None) throw WorkStopped{reason};
}

StopReason WorkStopReason() { return static_cast<StopReason>(g_stopReason); }

void HoldWork() {
    HANDLE released = ReleasedEvent();
    if (InterlockedIncrement(&g_holds) == 1 && released != nullptr) ResetEvent(released);
}

void ReleaseWork() {
    if (g_holds <= 0) return;
    if (InterlockedDecrement(&g_holds) == 0 && g_released != nullptr) SetEvent(g_released);
}

void StopWork(StopReason reason) {
    InterlockedCompareExchange(&g_stopReason, static_cast<LONG>(reason), static_cast<LONG>(StopReason::None));
    // A held work must wake to stop.
    if (g_released != nullptr) SetEvent(g_released);
}

bool WorkIsRunning() { return g_running != 0; }

void RunInBackground(void (*work)(void*), void* context) {
    ReleasedEvent();  // made here, before the work can be held
    WorkCall call = {work, context};
    InterlockedExchange(&g_running, 1);
    DWORD id = 0;
    g_thread = CreateThread(nullptr, 0, WorkThread, &call, 0, &id);
    if (g_thread == nullptr) {
        work(context);
    } else {
        WaitTakingMessages(nullptr, g_thread, INFINITE);
        CloseHandle(g_thread);
        g_thread = nullptr;
    }
    InterlockedExchange(&g_running, 0);
}

bool WaitForWorkToEnd(DWORD milliseconds) {
    if (g_thread == nullptr) return true;
    return WaitForSingleObject(g_thread, milliseconds) == WAIT_OBJECT_0;
}

void ResetWork() {
    InterlockedExchange(&g_stopReason, static_cast<LONG>(StopReason::None));
    InterlockedExchange(&g_holds, 0);
    if (g_released != nullptr) SetEvent(g_released);
}
