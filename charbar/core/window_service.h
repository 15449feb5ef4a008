// How Quillbar reaches the host window: find a top-level window by its title, make it the
// active window, and type characters into whatever window has the keyboard focus. The real
// service talks to the X server; tests use a recording fake.
#pragma once

#include <QString>
#include <QtGlobal>

namespace bv::quill {

class WindowService
{
public:
    using WindowId = quint64; // 0 = no window

    virtual ~WindowService() = default;

    // "" when the service can type into other windows; otherwise why not, in a sentence for
    // the user (a Wayland session, a display without the keyboard-faking extension).
    virtual QString unavailableReason() const = 0;

    // The window whose title equals `title`, else the one highest in the stacking order whose
    // title begins with it; 0 when there is none. Titles are compared case-sensitively.
    virtual WindowId findWindow(const QString& title) = 0;

    // Makes the window the active one and waits (a second at most) until it has the keyboard
    // focus; false when it did not get it, so nothing is typed into some other window.
    virtual bool activateWindow(WindowId window) = 0;

    // Types the text, each character as itself, into the window with the keyboard focus,
    // without waiting for the window to handle the keys. False when it could not be typed.
    virtual bool typeText(const QString& text) = 0;

    // The characters the buttons carry now: a service may make them ready to type in advance.
    virtual void prepareCharacters(const QString& characters) { Q_UNUSED(characters); }

    // Find and activate in one step.
    bool activateByTitle(const QString& title)
    {
        if (title.isEmpty())
            return false;
        const WindowId window = findWindow(title);
        return window != 0 && activateWindow(window);
    }
};

} // namespace bv::quill
