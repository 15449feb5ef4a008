// The icon bar's pictures, drawn by the program itself: one 448 x 35 picture of five buttons
// in three looks, plus the window icon and the transparent click targets laid over the bar.
// The window icon is the package's icon (packaging/icons/brisvane.svg, rendered at build time).
#pragma once

#include "app/commands.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>

namespace bv {

QPixmap drawIconBar(CommandLook look);
QIcon appIcon();

// A label that reports a left click while it is enabled: pressed and released over it, like a
// button, so a press dragged off it does nothing.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace bv
