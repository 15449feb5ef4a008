// The window service of the real program: the X11 desktop behind the plain interface of
// platform/x11, fed by the Qt event loop so keyboard mapping changes are seen as they happen.
#pragma once

#include "charbar/core/window_service.h"

#include <memory>

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

    QString unavailableReason() const override { return m_whyNot; }
    WindowId findWindow(const QString& title) override;
    bool activateWindow(WindowId window) override;
    bool typeText(const QString& text) override;
    void prepareCharacters(const QString& characters) override;

private:
    std::unique_ptr<x11::Desktop> m_desktop;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QString m_whyNot;
};

} // namespace bv::quill
