// SPDX-License-Identifier: GPL-3.0-or-later
// How Quillbar reaches the host window: find a top-level window by its title, make it the
// active window, and type characters into it. The real service talks to the X server; tests use
// a recording fake.
//
// Nothing here blocks the bar: activating and typing finish later, from the event loop, and say
// how they ended through a callback that runs only while its context object lives.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace bv::quill {

class WindowService
{
public:
    using WindowId = quint64; // 0 = no window

    enum class Delivery {
        Typed,
        NoFocus, // the window did not take the keyboard focus within a second: nothing was typed
        NoKey,   // the keyboard has no free key left for a character: nothing was typed
        Failed,  // the display refused the keys
    };

    virtual ~WindowService() = default;

    // "" when the service can type into other windows; otherwise why not, in a sentence for
    // the user (a Wayland session, a display without the keyboard-faking extension).
    virtual QString unavailableReason() const = 0;

    // The window whose title equals `title`, else the one highest in the stacking order whose
    // title begins with it; 0 when there is none. Titles are compared case-sensitively.
    virtual WindowId findWindow(const QString& title) = 0;

    // Makes the window the active one; `done` learns whether it had the keyboard focus within a
    // second. `done` may be empty.
    virtual void activateWindow(WindowId window, QObject* context, std::function<void(bool)> done) = 0;

    // Makes the window the active one and types the text, each character as itself, into it once
    // it has the keyboard focus, without waiting for the window to handle the keys. Never into
    // another window: if the window has not got the focus within a second, nothing is typed.
    // Requests run one after the other, in the order they were made.
    virtual void typeInto(WindowId window, const QString& text, QObject* context,
                          std::function<void(Delivery)> done) = 0;

    // The characters the buttons carry now: a service may make them ready to type in advance and
    // forget what it prepared for characters that are no longer among them.
    virtual void prepareCharacters(const QString& characters) { Q_UNUSED(characters); }

    // Keeps the window above all others (or no longer). Asked again on every tick of the bar's
    // timer, so a state someone else took away comes back.
    virtual void keepAbove(WindowId window, bool above)
    {
        Q_UNUSED(window);
        Q_UNUSED(above);
    }
};

} // namespace bv::quill
