#include "splash_window.h"

#include <stdlib.h>

#include "dib_loader.h"
#include "exit_codes.h"
#include "process_globals.h"
#include "message_text.h"

HWND g_splashWindow = nullptr;
BITMAPINFOHEADER* g_splashBitmap = nullptr;
HPALETTE g_splashPalette = nullptr;

namespace {

const UINT kCloseQuestionStyle = MB_YESNO | MB_TOPMOST;  // no icon, Yes is the default

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void InitDialog(HWND window) {
    g_splashBitmap = LoadResourceDib(kSplashPictureId, g_instance);
    if (g_splashBitmap != nullptr) g_splashPalette = CreateDibPalette(g_splashBitmap);

    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    const int windowWidth = Width(outer);
    const int windowHeight = Height(outer);
    // Without a picture there is nothing to size to: the template's size stays.
    int width = windowWidth;
    int height = windowHeight;
    if (g_splashBitmap != nullptr) {
        const LONG rows = g_splashBitmap->biHeight < 0 ? -g_splashBitmap->biHeight : g_splashBitmap->biHeight;
        width = g_splashBitmap->biWidth + (windowWidth - Width(client));
        height = rows + (windowHeight - Height(client));
    }
    // Placed from the template's size, a little below the middle; the
    // creation centres the window once this returns.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - windowWidth) / 2;
    const int y = ((GetSystemMetrics(SM_CYSCREEN) - windowHeight) * 3) / 5;
    SetWindowPos(window, HWND_NOTOPMOST, x, y, width, height, SWP_SHOWWINDOW);

    // The dialog class's icon, for every dialog of the process.
    HICON icon = LoadIconA(g_instance, MAKEINTRESOURCEA(kSplashIconId));
    SetClassLongPtrA(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SelectPalette(dc, g_splashPalette, FALSE);
    RealizePalette(dc);
    DrawDib(g_splashBitmap, dc, 0, 0);
    EndPaint(window, &paint);
    g_splashPaintPending = 0;
}

// Ends the dialog and deletes the palette once: the handle is forgotten, so
// that a later end cannot delete a handle GDI has given to something else.
void EndSplash(HWND window) {
    EndDialog(window, 1);
    DeleteObject(g_splashPalette);
    g_splashPalette = nullptr;
}

}  // namespace

INT_PTR CALLBACK SplashDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(window);
            return TRUE;
        case WM_PAINT:
            Paint(window);
            return TRUE;
        case WM_CLOSE: {
            // The launcher's work waits while the question is open.
            if (g_closeAsked != nullptr) g_closeAsked();
            bool abandon = MessageBoxA(nullptr, GetMessageText(kMessageAbandonQuestion), GetMessageText(kMessageCaption),
                                       kCloseQuestionStyle) == IDYES;
            if (g_closeAnswered != nullptr) {
                g_closeAnswered(abandon);
            } else if (abandon) {
                // Nobody to undo anything: exit() runs no destructors.
                exit(kExitAbandoned);
            }
            return TRUE;
        }
        case WM_QUERYENDSESSION:
            // Never in the way of a log-off or a shut-down.
            SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE && g_sessionEnding != nullptr) g_sessionEnding();
            return TRUE;
        case WM_KILLFOCUS:
            // Before the launch the window stays whatever takes the focus.
            if (g_nextStageLaunched) {
                EndSplash(window);
                g_splashOpen = 0;
            }
            return TRUE;
        case WM_COMMAND:
            if (wParam == IDCANCEL) {
                EndSplash(window);
                // Forgotten once released, so a second cancel releases nothing.
                FreeDib(g_splashBitmap);
                g_splashBitmap = nullptr;
                g_splashOpen = 0;
            }
            return TRUE;
        default:
            return FALSE;
    }
}

HWND CreateSplashWindow() {
    g_splashWindow =
        CreateDialogParamA(g_instance, MAKEINTRESOURCEA(kSplashTemplateId), nullptr, SplashDialogProc, 0);
    if (g_splashWindow == nullptr) {
        g_splashPaintPending = 0;
        g_splashOpen = 0;
        return nullptr;
    }
    RECT outer;
    GetWindowRect(g_splashWindow, &outer);
    // Integer division truncates toward zero, also on a screen smaller than the window.
    SetWindowPos(g_splashWindow, HWND_NOTOPMOST, (GetSystemMetrics(SM_CXSCREEN) - Width(outer)) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - Height(outer)) / 2, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    return g_splashWindow;
}
