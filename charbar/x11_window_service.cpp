// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/x11_window_service.h"

#include "platform/x11/xdesktop.h"

#include <QSocketNotifier>

namespace bv::quill {

namespace {

constexpr int kFocusTimeoutMs = 1000;
constexpr int kPollMs = 10;

std::u32string utf32(const QString& text)
{
    const QList<uint> codes = text.toUcs4();
    return std::u32string(codes.begin(), codes.end());
}

} // namespace

X11WindowService::X11WindowService(bool x11Session)
{
    m_poll.setInterval(kPollMs);
    QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] { step(); });
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
    m_poll.stop();
    m_notifier.reset(); // before the connection it watches closes
}

void X11WindowService::setConnectionLostHandler(std::function<void()> handler)
{
    x11::Desktop::setConnectionLostHandler(std::move(handler));
}

WindowService::WindowId X11WindowService::findWindow(const QString& title)
{
    return m_desktop ? m_desktop->findWindow(title.toStdString()) : 0;
}

void X11WindowService::activateWindow(WindowId window, QObject* context, std::function<void(bool)> done)
{
    Request request;
    request.window = window;
    request.context = context;
    if (done)
        request.done = [done](Delivery result) { done(result == Delivery::Typed); };
    enqueue(std::move(request));
}

void X11WindowService::typeInto(WindowId window, const QString& text, QObject* context,
                                std::function<void(Delivery)> done)
{
    Request request;
    request.window = window;
    request.text = utf32(text);
    request.context = context;
    request.done = std::move(done);
    // The keys are bound before the host is asked to come forward: a keymap change sends every
    // client a notification, and it should not fall between the focus check and the keys.
    if (m_desktop)
        m_desktop->reserve(request.text);
    enqueue(std::move(request));
}

void X11WindowService::enqueue(Request request)
{
    m_requests.push_back(std::move(request));
    if (!m_poll.isActive())
        m_poll.start();
    step(); // a window that has the focus already gets its keys at once
}

void X11WindowService::step()
{
    if (m_stepping)
        return;
    m_stepping = true;
    while (!m_requests.empty()) {
        Request& request = m_requests.front();
        Delivery result = Delivery::Failed;
        bool finished = !m_desktop || !request.window;
        if (!finished) {
            if (!request.asked.isValid()) {
                m_desktop->requestActivation(request.window);
                request.asked.start();
            }
            // Looked at without the server grab first: the typing call grabs it to look again.
            const bool focused = m_desktop->hasFocus(request.window);
            if (request.text.empty()) {
                finished = focused;
                result = Delivery::Typed;
            } else if (focused) {
                switch (m_desktop->type(request.window, request.text)) {
                case x11::TypeResult::Typed:
                    finished = true;
                    result = Delivery::Typed;
                    break;
                case x11::TypeResult::NoKey:
                    finished = true;
                    result = Delivery::NoKey;
                    break;
                case x11::TypeResult::Failed:
                    finished = true;
                    result = Delivery::Failed;
                    break;
                case x11::TypeResult::NotFocused:
                    break;
                }
            }
        }
        if (!finished) {
            const qint64 waited = request.asked.elapsed();
            if (waited < kFocusTimeoutMs) {
                // A manager that ignores the request gets the plain one half-way through.
                if (!request.forced && waited >= kFocusTimeoutMs / 2) {
                    m_desktop->forceFocus(request.window);
                    request.forced = true;
                }
                m_stepping = false;
                return; // look again at the next tick
            }
            result = Delivery::NoFocus;
        }
        Request ended = std::move(request);
        m_requests.pop_front();
        // Later, from the event loop: the callback may open a modal box, and the queue must go
        // on meanwhile (the box itself may ask for an activation).
        if (ended.done && ended.context) {
            QMetaObject::invokeMethod(
                ended.context, [done = std::move(ended.done), result] { done(result); }, Qt::QueuedConnection);
        }
    }
    m_poll.stop();
    m_stepping = false;
}

void X11WindowService::prepareCharacters(const QString& characters)
{
    if (!m_desktop)
        return;
    const std::u32string wanted = utf32(characters);
    m_desktop->keepOnly(wanted);
    m_desktop->reserve(wanted);
}

void X11WindowService::keepAbove(WindowId window, bool above)
{
    if (m_desktop)
        m_desktop->keepAbove(static_cast<unsigned long>(window), above);
}

} // namespace bv::quill
