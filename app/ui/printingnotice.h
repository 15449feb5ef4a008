// SPDX-License-Identifier: GPL-3.0-or-later
// The small "One Moment..." window shown, centred on the screen, while the log is sent to the
// printer: printing a long log takes a moment and the main window does not answer meanwhile.
#pragma once

#include "common/ui/layout.h"

#include <QWidget>

class QLabel;

namespace bv {

class PrintingNotice : public QWidget
{
    Q_OBJECT
public:
    explicit PrintingNotice(QWidget* parent = nullptr);

    // The window's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // Centres the window on the screen of `near` (the primary screen without one).
    void centreOnScreen(const QWidget* near = nullptr);

    QLabel* message() const { return m_message; }

private:
    QLabel* m_message = nullptr;
};

} // namespace bv
