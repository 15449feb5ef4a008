// SPDX-License-Identifier: GPL-3.0-or-later
// The window service of the real program: the X11 desktop behind the plain interface of
// platform/x11, fed by the Qt event loop so keyboard mapping changes are seen as they happen.
//
// Activations and deliveries wait in a queue; a 10 ms timer looks at the first one until its
// window has the focus or its second is over, so the bar keeps drawing and answering meanwhile.
#pragma once

#include "charbar/core/window_service.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace bv::x11 {
class Desktop;
}

namespace bv::quill {

class X11WindowService : public WindowService
{
public:
    // Connects when the session is an X11 one; otherwise the service only says why it cannot type.
    explicit X11WindowService(bool x11Session);
    ~X11WindowService() override;

    // Runs before the process ends because the X server went away.
    static void setConnectionLostHandler(std::function<void()> handler);

    QString unavailableReason() const override { return m_whyNot; }
    WindowId findWindow(const QString& title) override;
    void activateWindow(WindowId window, QObject* context, std::function<void(bool)> done) override;
    void typeInto(WindowId window, const QString& text, QObject* context, std::function<void(Delivery)> done) override;
    void prepareCharacters(const QString& characters) override;
    void keepAbove(WindowId window, bool above) override;

private:
    struct Request
    {
        WindowId window = 0;
        std::u32string text; // empty: activate only
        QPointer<QObject> context;
        std::function<void(Delivery)> done;
        QElapsedTimer asked; // since activation was asked for; invalid before
        bool forced = false;
    };

    void enqueue(Request request);
    void step();

    std::unique_ptr<x11::Desktop> m_desktop;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QString m_whyNot;
    std::deque<Request> m_requests;
    QTimer m_poll;
    bool m_stepping = false;
};

} // namespace bv::quill
