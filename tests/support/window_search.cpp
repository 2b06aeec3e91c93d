#include "window_search.h"

#include <string.h>

#include <vector>

#include "message_wait.h"

namespace {

struct VisibleDialog {
    DWORD processId;
    const std::string* caption;
    HWND window;
    int button = 0;  // a control the dialog must have, when not 0
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    VisibleDialog* wanted = reinterpret_cast<VisibleDialog*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != wanted->processId || !IsWindowVisible(window)) return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0) return TRUE;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (*wanted->caption != caption) return TRUE;
    if (wanted->button != 0 && GetDlgItem(window, wanted->button) == nullptr) return TRUE;
    wanted->window = window;
    return FALSE;
}

HWND WaitForDialog(VisibleDialog* wanted, DWORD milliseconds) {
    WaitUntil(
        [&] {
            EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(wanted));
            return wanted->window != nullptr;
        },
        milliseconds);
    return wanted->window;
}

struct DialogParts {
    std::vector<std::string> texts;
    bool icon = false;
};

BOOL CALLBACK CollectStatics(HWND child, LPARAM param) {
    DialogParts* parts = reinterpret_cast<DialogParts*>(param);
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Static") != 0 || !IsWindowVisible(child)) return TRUE;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        // A box without an icon may still have the control, but empty.
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon) && icon != 0) parts->icon = true;
        return TRUE;
    }
    // Asked by message, so that the text comes from the control itself.
    char text[2048] = {};
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                            &length) &&
        length > 0)
        parts->texts.push_back(std::string(text, length));
    return TRUE;
}

}  // namespace

bool FindMessageBox(DWORD processId, const std::string& caption, DWORD milliseconds, MessageBoxWindow* found) {
    VisibleDialog wanted = {processId, &caption, nullptr};
    if (WaitForDialog(&wanted, milliseconds) == nullptr) return false;
    *found = ReadMessageBox(wanted.window);
    return true;
}

MessageBoxWindow ReadMessageBox(HWND box) {
    DialogParts parts;
    WaitUntil(
        [&] {
            parts = DialogParts();
            EnumChildWindows(box, CollectStatics, reinterpret_cast<LPARAM>(&parts));
            return !parts.texts.empty();
        },
        2000);
    MessageBoxWindow shown;
    shown.window = box;
    shown.text = parts.texts.size() == 1 ? parts.texts[0] : std::string();
    shown.showsIcon = parts.icon;
    return shown;
}

HWND FindDialogWithButton(DWORD processId, const std::string& caption, int button, DWORD milliseconds) {
    VisibleDialog wanted = {processId, &caption, nullptr, button};
    return WaitForDialog(&wanted, milliseconds);
}

HWND FindSplashWindow(DWORD processId) {
    const std::string untitled;
    VisibleDialog wanted = {processId, &untitled, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&wanted));
    return wanted.window;
}

void PressButton(HWND dialog, int button) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }
