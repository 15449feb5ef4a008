// A window service for tests: a list of window titles stands for the desktop, and every find,
// activation and typed text is recorded.
#pragma once

#include "charbar/core/window_service.h"

#include <QStringList>

namespace bv::quill::test {

class FakeWindowService : public WindowService
{
public:
    QStringList titles;    // the desktop's windows, bottom of the stacking order first
    QString whyNot;        // set to make the service unavailable
    bool focusFails = false;
    QStringList calls;     // "find <title>", "activate <title>", "type <text>"
    QString prepared;      // the last characters handed to prepareCharacters
    QString active;        // title of the window that has the focus

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

    bool activateWindow(WindowId window) override
    {
        calls << "activate " + titles.value(qsizetype(window) - 1);
        if (focusFails)
            return false;
        active = titles.value(qsizetype(window) - 1);
        return true;
    }

    bool typeText(const QString& text) override
    {
        calls << "type " + text;
        return true;
    }

    void prepareCharacters(const QString& characters) override { prepared = characters; }
};

} // namespace bv::quill::test
