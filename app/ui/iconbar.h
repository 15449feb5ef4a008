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
