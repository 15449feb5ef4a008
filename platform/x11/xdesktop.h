// SPDX-License-Identifier: GPL-3.0-or-later
// Reaching other programs' windows on an X11 display: finding a top-level window by its title,
// activating it, and typing characters into it through the XTest extension.
//
// Plain C++ on purpose: Xlib's headers define macros (Bool, Status, None, ...) that break Qt's
// headers, so nothing of Xlib leaks out of xdesktop.cpp. Windows are X ids; text is UTF-32.
//
// Characters that no key of the current layout produces are given a spare keycode of their own.
// A binding stays while its character is wanted, because a busy window reads its keys after the
// typing call has returned; the destructor gives all keycodes back. When the keyboard mapping
// changes (another layout, setxkbmap), lost bindings are renewed.
//
// Nothing here waits for another program: activation is asked for, and the caller looks again
// later (hasFocus, type) from its own event loop.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace bv::x11 {

enum class TypeResult {
    Typed,
    NotFocused, // the window did not have the keyboard focus: nothing was typed
    NoKey,      // no spare keycode was left for a character: nothing was typed
    Failed,     // the X server refused a request
};

class Desktop
{
public:
    // Connects to the display named by $DISPLAY. Null, with the reason in `whyNot`, when there
    // is no display or it lacks the XTest extension.
    static std::unique_ptr<Desktop> open(std::string& whyNot);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // When a connection to the X server breaks, Xlib ends the process; `handler` runs first, so
    // what must outlive the session can be saved. One handler for the whole process.
    static void setConnectionLostHandler(std::function<void()> handler);

    // The connection's file descriptor: readable when events (keyboard mapping changes) wait.
    int connectionNumber() const;
    // Handles the events that wait; call it when the descriptor is readable.
    void handlePendingEvents();

    // The window titled exactly `title`, else the one highest in the stacking order whose title
    // begins with it (UTF-8, case-sensitive); 0 when there is none. Windows of this process
    // are never candidates.
    unsigned long findWindow(const std::string& title);

    // Asks for the window to become the active one, through the window manager where it offers
    // that, otherwise by raising it and giving it the focus directly. Does not wait.
    void requestActivation(unsigned long window);
    // Raises the window's top-level window (its frame, when a manager has framed it) and gives
    // the window the focus, without the manager's help.
    void forceFocus(unsigned long window);
    // Whether the keyboard focus is on the window or inside it.
    bool hasFocus(unsigned long window);

    // Types the characters into `window`, only if it has the keyboard focus: the check and the
    // key events happen while the server is grabbed, so no window can take the focus between
    // them. Modifiers the user holds or has latched are released for the keys and restored
    // afterwards, so the window receives exactly the characters.
    TypeResult type(unsigned long window, const std::u32string& text);

    // Gives the characters that lack a key their spare keycodes now, ahead of typing.
    void reserve(const std::u32string& characters);
    // The characters that may be typed from now on: spare keycodes of all others are given back
    // (one typed with in the last half minute a little later, when a busy window has read it).
    void keepOnly(const std::u32string& characters);

    // Asks the window manager to keep the window above all others, or no longer, and raises it
    // when it should be above. Without a manager it only raises it.
    void keepAbove(unsigned long window, bool above);

private:
    struct Impl;
    explicit Desktop(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

} // namespace bv::x11
