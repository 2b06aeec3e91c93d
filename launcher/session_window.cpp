#include "session_window.h"

#include "process_globals.h"

namespace {

const char kSessionWindowClass[] = "TessarovenSetupSession";

LRESULT CALLBACK SessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            // Never in the way of a log-off or a shut-down.
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE && g_sessionEnding != nullptr) g_sessionEnding();
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

SessionWindow::SessionWindow(bool needed) : window_(nullptr) {
    if (!needed) return;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SessionWindowProc;
    windowClass.hInstance = g_instance;
    windowClass.lpszClassName = kSessionWindowClass;
    // A class left registered by an earlier run in this process serves as well.
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kSessionWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              g_instance, nullptr);
}

SessionWindow::~SessionWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}
