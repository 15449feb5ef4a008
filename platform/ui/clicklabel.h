// SPDX-License-Identifier: GPL-3.0-or-later
// A label that is clicked like a button: the transparent click targets laid over a drawn picture.
#pragma once

#include <QLabel>

namespace bv {

// A label that reports a left click while it is enabled: pressed and released over it, like a
// button, so a press dragged off it does nothing. Assistive technology sees a button, named by
// the label's accessible name, that it can press.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);

    // A click from assistive technology: what a mouse click does, while the label is enabled.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace bv
