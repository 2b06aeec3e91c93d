// The dialogs a process shows, found from outside it the way a user sees
// them: message boxes by caption, a question by its buttons, and the
// launcher's splash, and answered by pressing a button.
#ifndef TESSAROVEN_TESTS_WINDOW_SEARCH_H
#define TESSAROVEN_TESTS_WINDOW_SEARCH_H

#include <windows.h>

#include <string>

// A visible top-level window of class "#32770" of process id with the caption.
struct MessageBoxWindow {
    HWND window = nullptr;
    std::string text;  // the non-empty static text: the message
    bool showsIcon = false;
};
// Waits up to milliseconds for such a box (dispatching the caller's
// messages); false when none came.
bool FindMessageBox(DWORD processId, const std::string& caption, DWORD milliseconds, MessageBoxWindow* found);
// A visible top-level dialog of process id with the caption and a button
// of the id (IDYES, say), waited for up to milliseconds; null if none came.
HWND FindDialogWithButton(DWORD processId, const std::string& caption, int button, DWORD milliseconds);
// What a message box shows: its one non-empty static text (empty when it
// has none or several) and whether it shows an icon; waits up to 2 s for
// the text, which may come a moment after the box.
MessageBoxWindow ReadMessageBox(HWND box);
// The launcher's splash window: its visible top-level dialog without a
// caption; null when it has none.
HWND FindSplashWindow(DWORD processId);
// Clicks the dialog's button (IDOK, IDYES, ...) as a user would; returns at once.
void PressButton(HWND dialog, int button);

#endif
