// Reaching other programs' windows on an X11 display: finding a top-level window by its title,
// activating it, and typing characters into the focused window through the XTest extension.
//
// Plain C++ on purpose: Xlib's headers define macros (Bool, Status, None, ...) that break Qt's
// headers, so nothing of Xlib leaks out of xdesktop.cpp. Windows are X ids; text is UTF-32.
//
// Characters that no key of the current layout produces are given a spare keycode of their own.
// The binding stays for as long as this object lives, because a busy window reads its keys
// after the typing call has returned; the destructor gives the keycodes back. When the keyboard
// mapping changes (another layout, setxkbmap), lost bindings are renewed.
#pragma once

#include <memory>
#include <string>

namespace bv::x11 {

class Desktop
{
public:
    // Connects to the display named by $DISPLAY. Null, with the reason in `whyNot`, when there
    // is no display or it lacks the XTest extension.
    static std::unique_ptr<Desktop> open(std::string& whyNot);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // The connection's file descriptor: readable when events (keyboard mapping changes) wait.
    int connectionNumber() const;
    // Handles the events that wait; call it when the descriptor is readable.
    void handlePendingEvents();

    // The window titled exactly `title`, else the one highest in the stacking order whose title
    // begins with it (UTF-8, case-sensitive); 0 when there is none. Windows of this process
    // are never candidates.
    unsigned long findWindow(const std::string& title);

    // Activates the window and waits until it has the keyboard focus, at most `timeoutMs`.
    bool activate(unsigned long window, int timeoutMs);

    // Types the characters into the window with the keyboard focus. False when a character
    // could not be typed (no spare keycode left); the characters before it were typed.
    bool type(const std::u32string& text);

    // Gives the characters that lack a key their spare keycodes now, ahead of typing.
    void reserve(const std::u32string& characters);

private:
    struct Impl;
    explicit Desktop(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

} // namespace bv::x11
