// A hidden top-level window that hears the session's end when no splash
// does (a quiet run, or a splash that could not be made): a window that
// never shows still gets the question whether the session may end and the
// news that it does, a message-only window would get neither.
#ifndef TESSAROVEN_SESSION_WINDOW_H
#define TESSAROVEN_SESSION_WINDOW_H

#include <windows.h>

class SessionWindow {
public:
    // Creates the window on this thread (the one that takes its messages)
    // when needed; a window that cannot be created leaves the run as it
    // was, deaf to the session's end.
    explicit SessionWindow(bool needed);
    ~SessionWindow();
    SessionWindow(const SessionWindow&) = delete;
    SessionWindow& operator=(const SessionWindow&) = delete;

    HWND Window() const { return window_; }

private:
    HWND window_;
};

#endif
