// SPDX-License-Identifier: GPL-3.0-or-later
// A window service for tests: a list of window titles stands for the desktop, and every find,
// activation and typed text is recorded. Deliveries end at once, or when the test says so.
#pragma once

#include "charbar/core/window_service.h"

#include <QStringList>

namespace bv::quill::test {

class FakeWindowService : public WindowService
{
public:
    QStringList titles; // the desktop's windows, bottom of the stacking order first
    QString whyNot;     // set to make the service unavailable
    bool focusFails = false;
    QStringList calls;                      // "find <title>", "activate <title>", "type <text>"
    QString prepared;                       // the last characters handed to prepareCharacters
    QString active;                         // title of the window that has the focus
    QList<QPair<WindowId, bool>> keptAbove; // every keepAbove call

    QString unavailableReason() const override { return whyNot; }

    WindowId findWindow(const QString& title) override
    {
        calls << "find " + title;
        for (qsizetype i = titles.size(); i-- > 0;) {
            if (titles[i] == title)
                return WindowId(i + 1);
        }
        for (qsizetype i = titles.size(); i-- > 0;) {
            if (titles[i].startsWith(title))
                return WindowId(i + 1);
        }
        return 0;
    }

    void activateWindow(WindowId window, QObject*, std::function<void(bool)> done) override
    {
        const bool ok = activate(window);
        if (done)
            done(ok);
    }

    void typeInto(WindowId window, const QString& text, QObject*, std::function<void(Delivery)> done) override
    {
        const bool focused = activate(window);
        if (deferred) {
            pending.append({text, std::move(done)});
            return;
        }
        if (focused)
            calls << "type " + text;
        done(focused ? Delivery::Typed : Delivery::NoFocus);
    }

    // With `deferred` set, a delivery ends only when the test calls finishNext (as a host that
    // takes its time to come forward).
    bool deferred = false;
    void finishNext(Delivery result)
    {
        auto [text, done] = pending.takeFirst();
        if (result == Delivery::Typed)
            calls << "type " + text;
        done(result);
    }
    qsizetype pendingCount() const { return pending.size(); }

    void prepareCharacters(const QString& characters) override { prepared = characters; }

    void keepAbove(WindowId window, bool above) override { keptAbove << qMakePair(window, above); }

private:
    bool activate(WindowId window)
    {
        calls << "activate " + titles.value(qsizetype(window) - 1);
        if (focusFails)
            return false;
        active = titles.value(qsizetype(window) - 1);
        return true;
    }

    QList<QPair<QString, std::function<void(Delivery)>>> pending;
};

} // namespace bv::quill::test
