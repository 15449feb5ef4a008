// SPDX-License-Identifier: GPL-3.0-or-later
// Input that arrives before a window could have been seen never acts on it.
//
// A window that comes back for the next item (the verification window for the next file, the
// duplicate review for the next group, the move dialog, a message box in the middle of a run)
// is up again at once, often exactly where the last one was: under the pointer and under the
// user's fingers. The second click of a double-click, a click meant for the window that has just
// closed, or a key still held down would act on an item the user has not seen yet.
//
// An InputGuard installed on a window starts a quiet period each time the window is shown. For
// kQuietMs, mouse buttons (press, release, double-click) and keys (shortcuts and mnemonics such
// as Alt+D included) meant for the window or any of its controls are thrown away; input that was
// queued before the show is delivered in that time and goes the same way. After it, a key that
// was not pressed afresh since the show still does nothing: the auto-repeat of a key held since
// before the show never acts, however long it is held and whatever the repeat rate; releasing
// it and pressing it again does. Everything else (painting, the pointer moving, the close box,
// timers) goes on as usual.
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>

#include <cstdint>

class QKeyEvent;
class QWidget;

namespace bv {

class InputGuard : public QObject
{
public:
    // As long as the longest gap between the two clicks of a double-click (400 ms by default on
    // the desktop) and far longer than a window takes to come back for the next item; shorter
    // than anyone takes to read what the window shows.
    static constexpr int kQuietMs = 400;

    // Guards `window` from now on; the guard is a child of the window and goes with it.
    static InputGuard* install(QWidget* window);

    // True while the window's input is thrown away (the quiet period after a show).
    bool quiet() const;

    // For tests: the clock the guard reads (monotonic milliseconds; nullptr for the real one)
    // and the quiet period (a test that presses a window's buttons the moment the window opens
    // sets 0; a negative value restores kQuietMs).
    static void setClockForTests(std::int64_t (*now)());
    static void setQuietMsForTests(int ms);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit InputGuard(QWidget* window);
    void arm();
    bool dropKeyPress(const QKeyEvent* key);

    QWidget* m_window;
    std::int64_t m_shownAt = 0;
    QSet<quint32> m_pressedSinceShown;    // keys pressed afresh after the quiet period
    QHash<quint32, quint64> m_releasedAt; // each key's last release: X repeats a key as a release
                                          // and a press with one timestamp
    bool m_lastPressDropped = false;      // for the shortcut event that follows a key press
};

} // namespace bv
