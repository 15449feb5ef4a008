// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/inputguard.h"

#include "platform/clock.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace bv {

namespace {

std::int64_t (*g_clock)() = nullptr;
int g_quietMs = InputGuard::kQuietMs;

std::int64_t now()
{
    return g_clock ? g_clock() : monotonicMs();
}

// The physical key where the platform tells it (Alt+D and D are one key), else the key code.
quint32 keyOf(const QKeyEvent* key)
{
    return key->nativeScanCode() ? key->nativeScanCode() : quint32(key->key());
}

} // namespace

InputGuard* InputGuard::install(QWidget* window)
{
    return new InputGuard(window);
}

InputGuard::InputGuard(QWidget* window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
    if (window->isVisible())
        arm();
}

void InputGuard::setClockForTests(std::int64_t (*clock)())
{
    g_clock = clock;
}

void InputGuard::setQuietMsForTests(int ms)
{
    g_quietMs = ms < 0 ? kQuietMs : ms;
}

bool InputGuard::quiet() const
{
    return now() - m_shownAt < g_quietMs;
}

void InputGuard::arm()
{
    m_shownAt = now();
    m_pressedSinceShown.clear();
    m_releasedAt.clear();
    m_lastPressDropped = false;
    // Controls made since the last show are guarded too; installing again on the others only
    // puts this filter first, ahead of the window's own key handling.
    m_window->installEventFilter(this);
    for (QWidget* child : m_window->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool InputGuard::dropKeyPress(const QKeyEvent* key)
{
    if (quiet()) {
        m_lastPressDropped = true;
        return true;
    }
    const quint32 code = keyOf(key);
    const bool repeat = key->isAutoRepeat() || (key->timestamp() != 0 && m_releasedAt.value(code) == key->timestamp());
    if (!repeat)
        m_pressedSinceShown.insert(code);
    m_lastPressDropped = !m_pressedSinceShown.contains(code);
    return m_lastPressDropped;
}

bool InputGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Show) {
        arm();
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return quiet();
    case QEvent::ShortcutOverride:
        // Accepting the override keeps the key from triggering a shortcut or mnemonic: it comes
        // as a plain key press instead, dropped below.
        if (dropKeyPress(static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        return dropKeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            m_releasedAt.insert(keyOf(key), key->timestamp());
        return quiet();
    }
    case QEvent::Shortcut:
        return quiet() || m_lastPressDropped;
    default:
        return false;
    }
}

} // namespace bv
