// The splash dialog as a real window: size and place, painting, focus
// loss, commands and the close question. The resources come from a module
// built from the launcher's own resource script (splash_art.dll), or from
// the same script without the picture (splash_art_no_picture.dll).
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "beside_program.h"
#include "dib_loader.h"
#include "process_globals.h"
#include "message_text.h"
#include "message_wait.h"
#include "splash_test_support.h"
#include "splash_window.h"
#include "test_thread.h"
#include "window_search.h"

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void ResetSplashState(HINSTANCE instance) {
    g_instance = instance;
    g_splashPaintPending = 1;
    g_splashOpen = 1;
    g_nextStageLaunched = false;
    g_splashWindow = nullptr;
    g_splashBitmap = nullptr;
    g_splashPalette = nullptr;
}

void DisposeSplash() {
    g_nextStageLaunched = false;
    if (g_splashWindow != nullptr && IsWindow(g_splashWindow)) DestroyWindow(g_splashWindow);
    PumpFor(20);
    FreeDib(g_splashBitmap);
    if (g_splashPalette != nullptr) DeleteObject(g_splashPalette);
    ResetSplashState(nullptr);
}

// The client area's place on the screen.
POINT ClientOrigin(HWND window) {
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

size_t ScreenMismatches(HWND window, const BITMAPINFOHEADER* picture) {
    // What the window drew reaches the X screen when the thread next
    // waits for messages.
    PumpFor(150);
    POINT origin = ClientOrigin(window);
    std::vector<unsigned> shown = CaptureScreen(origin.x, origin.y, picture->biWidth, picture->biHeight);
    std::vector<unsigned> expected = DibColours(picture);
    size_t wrong = 0;
    for (size_t i = 0; i < expected.size(); ++i) wrong += shown[i] != expected[i];
    return wrong;
}

HWND CreatePlainWindow(int x, int y, int width, int height) {
    return CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

class SplashWindow : public ::testing::Test {
protected:
    void SetUp() override {
        art_ = LoadLibraryA(BesideTestProgram("splash_art.dll").c_str());
        ASSERT_NE(nullptr, art_) << "splash_art.dll not found beside the test";
        ResetSplashState(art_);
    }
    // The module stays loaded: the dialog class keeps its icon.
    void TearDown() override { DisposeSplash(); }

    HWND CreatePainted() {
        HWND window = CreateSplashWindow();
        EXPECT_NE(nullptr, window);
        EXPECT_TRUE(WaitUntil([] { return g_splashPaintPending == 0; }, 5000));
        return window;
    }

    HMODULE art_ = nullptr;
};

}  // namespace

TEST_F(SplashWindow, ClientAreaIsThePictureAndTheWindowIsCentred) {
    HWND window = CreateSplashWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, g_splashWindow);
    ASSERT_NE(nullptr, g_splashBitmap);
    EXPECT_NE(nullptr, g_splashPalette);

    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    EXPECT_EQ(480, Width(client));
    EXPECT_EQ(350, Height(client));
    // Outside: the picture and the thin border, nothing else.
    EXPECT_EQ(480 + 2 * GetSystemMetrics(SM_CXBORDER), Width(outer));
    EXPECT_EQ(350 + 2 * GetSystemMetrics(SM_CYBORDER), Height(outer));
    POINT origin = ClientOrigin(window);
    EXPECT_EQ(outer.left + GetSystemMetrics(SM_CXBORDER), origin.x);
    EXPECT_EQ(outer.top + GetSystemMetrics(SM_CYBORDER), origin.y);
    // Centred on the primary screen, by truncating division.
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - Width(outer)) / 2, outer.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - Height(outer)) / 2, outer.top);

    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_EQ(static_cast<LONG>(WS_BORDER), style & WS_CAPTION);  // a border, no caption
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(0, GetWindowTextLengthA(window));
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ("#32770", className);
}

TEST_F(SplashWindow, DialogClassGetsTheIcon) {
    HWND window = CreateSplashWindow();
    ASSERT_NE(nullptr, window);
    HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(LoadIconA(art_, MAKEINTRESOURCEA(kSplashIconId)), icon);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP mask;
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), mask.bmWidth);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST_F(SplashWindow, FirstPaintShowsThePictureAndClearsTheFlag) {
    HWND window = CreateSplashWindow();
    ASSERT_NE(nullptr, window);
    // Creating the window does not count as painting it.
    EXPECT_EQ(1, g_splashPaintPending);
    ASSERT_TRUE(WaitUntil([] { return g_splashPaintPending == 0; }, 5000));
    EXPECT_EQ(0u, ScreenMismatches(window, g_splashBitmap));
}

TEST_F(SplashWindow, UncoveredWindowShowsThePictureAgain) {
    HWND window = CreatePainted();
    ASSERT_NE(nullptr, window);
    g_splashPaintPending = 1;
    PumpFor(200);
    EXPECT_EQ(1, g_splashPaintPending) << "painted again without being uncovered";

    // Covered by another window and uncovered: the platform may restore
    // the picture from what it kept of the window, or ask for a paint.
    RECT outer;
    GetWindowRect(window, &outer);
    HWND cover = CreatePlainWindow(outer.left + 40, outer.top + 30, 200, 120);
    ASSERT_NE(nullptr, cover);
    PumpFor(100);
    DestroyWindow(cover);
    EXPECT_EQ(0u, ScreenMismatches(window, g_splashBitmap));

    // Pushed half off the screen and back: what was off the screen must be
    // painted again, which clears the flag again.
    g_splashPaintPending = 1;
    SetWindowPos(window, nullptr, -300, outer.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(100);
    SetWindowPos(window, nullptr, outer.left, outer.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitUntil([] { return g_splashPaintPending == 0; }, 5000));
    EXPECT_EQ(0u, ScreenMismatches(window, g_splashBitmap));
}

TEST_F(SplashWindow, FocusLossEndsTheWindowOnlyAfterTheLaunch) {
    HWND window = CreatePainted();
    ASSERT_NE(nullptr, window);
    HWND other = CreatePlainWindow(0, 0, 20, 20);
    ASSERT_NE(nullptr, other);
    HPALETTE palette = g_splashPalette;
    BITMAPINFOHEADER* picture = g_splashBitmap;

    SetForegroundWindow(window);
    SetFocus(window);
    ASSERT_EQ(window, GetFocus());
    SetFocus(other);
    ASSERT_EQ(other, GetFocus());
    PumpFor(50);
    EXPECT_EQ(1, g_splashOpen);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(palette, g_splashPalette);
    EXPECT_EQ(static_cast<DWORD>(OBJ_PAL), GetObjectType(palette));

    SetFocus(window);
    ASSERT_EQ(window, GetFocus());
    g_nextStageLaunched = true;
    SetFocus(other);
    PumpFor(50);
    EXPECT_EQ(0, g_splashOpen);
    EXPECT_FALSE(IsWindowVisible(window));  // the dialog has ended
    EXPECT_EQ(0u, GetObjectType(palette));  // palette deleted
    EXPECT_EQ(nullptr, g_splashPalette);
    EXPECT_EQ(picture, g_splashBitmap);      // the picture is not released on this path
    DestroyWindow(other);
}

TEST_F(SplashWindow, DestroyingTheFocusedWindowAfterTheLaunchClearsTheOpenFlag) {
    HWND window = CreatePainted();
    ASSERT_NE(nullptr, window);
    SetForegroundWindow(window);
    SetFocus(window);
    ASSERT_EQ(window, GetFocus());
    g_nextStageLaunched = true;
    DestroyWindow(window);
    EXPECT_EQ(0, g_splashOpen);
}

TEST_F(SplashWindow, CommandsOtherThanCancelAreHandledAndIgnored) {
    HWND window = CreatePainted();
    ASSERT_NE(nullptr, window);
    HPALETTE palette = g_splashPalette;
    BITMAPINFOHEADER* picture = g_splashBitmap;
    // IDOK, an unknown id, and the cancel id with a notification code.
    for (WPARAM command : {WPARAM(0), WPARAM(IDOK), WPARAM(3), WPARAM(MAKEWPARAM(IDCANCEL, 1)), WPARAM(0xFFFF)}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(TRUE, SplashDialogProc(window, WM_COMMAND, command, 0));
        SendMessageA(window, WM_COMMAND, command, 0);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(1, g_splashOpen);
        EXPECT_EQ(picture, g_splashBitmap);
        EXPECT_EQ(palette, g_splashPalette);
    }
    // Messages it does not handle get the default dialog handling.
    EXPECT_EQ(FALSE, SplashDialogProc(window, WM_USER + 5, 0, 0));
    EXPECT_EQ(FALSE, SplashDialogProc(window, WM_TIMER, 1, 0));
}

TEST_F(SplashWindow, CancelReleasesPictureAndPaletteOnce) {
    HWND window = CreatePainted();
    ASSERT_NE(nullptr, window);
    HPALETTE palette = g_splashPalette;
    HGLOBAL memory = GlobalHandle(g_splashBitmap);
    ASSERT_NE(nullptr, memory);

    SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(0, g_splashOpen);
    EXPECT_EQ(nullptr, g_splashBitmap);
    EXPECT_EQ(nullptr, g_splashPalette);
    EXPECT_EQ(0u, GetObjectType(palette));

    // A block allocated now may well take the released one's handle; a
    // second cancel must leave it alone.
    HGLOBAL fresh = GlobalAlloc(GMEM_MOVEABLE, 4096);
    ASSERT_NE(nullptr, fresh);
    void* freshData = GlobalLock(fresh);
    ASSERT_NE(nullptr, freshData);
    SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(1u, GlobalFlags(fresh) & GMEM_LOCKCOUNT);
    EXPECT_EQ(4096u, GlobalSize(fresh));
    EXPECT_EQ(0, g_splashOpen);
    GlobalUnlock(fresh);
    GlobalFree(fresh);
}

namespace {

// What the answering thread saw of the question box.
struct QuestionBox {
    std::string text;
    bool hasYes = false, hasNo = false, hasOk = false, owned = true;
};

// Waits for a question box of this process, notes what it shows and
// presses `answer`.
void AnswerQuestion(int answer, QuestionBox* seen, std::atomic<bool>* done) {
    MessageBoxWindow box;
    if (FindMessageBox(GetCurrentProcessId(), GetMessageText(kMessageCaption), 5000, &box)) {
        seen->text = box.text;
        seen->hasYes = GetDlgItem(box.window, IDYES) != nullptr;
        seen->hasNo = GetDlgItem(box.window, IDNO) != nullptr;
        seen->hasOk = GetDlgItem(box.window, IDOK) != nullptr;
        seen->owned = GetWindow(box.window, GW_OWNER) != nullptr;
        PressButton(box.window, answer);
    }
    *done = true;
}

}  // namespace

TEST_F(SplashWindow, CloseAnsweredNoKeepsTheWindow) {
    HWND window = CreatePainted();
    ASSERT_NE(nullptr, window);
    BITMAPINFOHEADER* picture = g_splashBitmap;
    QuestionBox seen;
    std::atomic<bool> answered(false);
    TestThread answering([&] { AnswerQuestion(IDNO, &seen, &answered); });
    PostMessageA(window, WM_CLOSE, 0, 0);
    // The question runs inside this pump; it returns once the box is answered.
    WaitUntil([&] { return answered.load(); }, 8000);
    answered = true;
    answering.Join();
    PumpFor(100);

    EXPECT_EQ(GetMessageText(kMessageAbandonQuestion), seen.text);
    EXPECT_TRUE(seen.hasYes);
    EXPECT_TRUE(seen.hasNo);
    EXPECT_FALSE(seen.hasOk);
    EXPECT_FALSE(seen.owned);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(1, g_splashOpen);
    EXPECT_EQ(picture, g_splashBitmap);
}

TEST(SplashWithoutPicture, KeepsTheTemplateSizeCentred) {
    HMODULE art = LoadLibraryA(BesideTestProgram("splash_art_no_picture.dll").c_str());
    ASSERT_NE(nullptr, art) << "splash_art_no_picture.dll not found beside the test";
    ResetSplashState(art);
    HWND window = CreateSplashWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(nullptr, g_splashBitmap);
    EXPECT_EQ(nullptr, g_splashPalette);
    RECT templateSize = {0, 0, 323, 213};
    MapDialogRect(window, &templateSize);
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    EXPECT_EQ(Width(templateSize), Width(client));
    EXPECT_EQ(Height(templateSize), Height(client));
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - Width(outer)) / 2, outer.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - Height(outer)) / 2, outer.top);
    EXPECT_TRUE(IsWindowVisible(window));
    // It still paints (nothing) and tells the main sequence so.
    EXPECT_TRUE(WaitUntil([] { return g_splashPaintPending == 0; }, 5000));
    SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(0, g_splashOpen);
    DisposeSplash();
}

TEST(SplashCreationFailure, ClearsBothFlagsAndReturnsNull) {
    // The test program itself has no dialog template.
    ResetSplashState(GetModuleHandleA(nullptr));
    g_splashWindow = reinterpret_cast<HWND>(1);
    EXPECT_EQ(nullptr, CreateSplashWindow());
    EXPECT_EQ(nullptr, g_splashWindow);
    EXPECT_EQ(0, g_splashPaintPending);
    EXPECT_EQ(0, g_splashOpen);
    ResetSplashState(nullptr);
}
