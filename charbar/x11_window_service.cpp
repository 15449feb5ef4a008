#include "charbar/x11_window_service.h"

#include "platform/x11/xdesktop.h"

#include <QSocketNotifier>

namespace bv::quill {

namespace {

constexpr int kFocusTimeoutMs = 1000;

std::u32string utf32(const QString& text)
{
    const QList<uint> codes = text.toUcs4();
    return std::u32string(codes.begin(), codes.end());
}

} // namespace

X11WindowService::X11WindowService(bool x11Session)
{
    if (!x11Session) {
        m_whyNot = QStringLiteral("this is a Wayland session without an X11 display, and Wayland lets no program "
                                  "type into another one's windows");
        return;
    }
    std::string whyNot;
    m_desktop = x11::Desktop::open(whyNot);
    if (!m_desktop) {
        m_whyNot = QString::fromStdString(whyNot);
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_desktop->connectionNumber(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { m_desktop->handlePendingEvents(); });
}

X11WindowService::~X11WindowService()
{
    m_notifier.reset(); // before the connection it watches closes
}

WindowService::WindowId X11WindowService::findWindow(const QString& title)
{
    return m_desktop ? m_desktop->findWindow(title.toStdString()) : 0;
}

bool X11WindowService::activateWindow(WindowId window)
{
    return m_desktop && m_desktop->activate(static_cast<unsigned long>(window), kFocusTimeoutMs);
}

bool X11WindowService::typeText(const QString& text)
{
    return m_desktop && m_desktop->type(utf32(text));
}

void X11WindowService::prepareCharacters(const QString& characters)
{
    if (m_desktop)
        m_desktop->reserve(utf32(characters));
}

} // namespace bv::quill
