// Opens a real top-level window, lets it be painted, and reports whether the
// window system took it: exit code 0 when the window was created, shown and
// painted, 1 otherwise. Used to prove that a Wine session and a display
// still serve windows after another run stopped its own.
#include <windows.h>

namespace {

bool g_painted = false;

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        g_painted = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TvWindowProbe";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowA("TvWindowProbe", "probe", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr,
                                instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    DWORD start = GetTickCount();
    MSG msg;
    while (!g_painted && GetTickCount() - start < 10000) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
    bool ok = g_painted && IsWindowVisible(window);
    DestroyWindow(window);
    return ok ? 0 : 1;
}
