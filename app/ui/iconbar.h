// The icon bar's pictures, drawn by the program itself: one 448 x 35 picture of five buttons
// in three looks, plus the window icon and the transparent click targets laid over the bar.
#pragma once

#include <QIcon>
#include <QLabel>
#include <QPixmap>

namespace bv {

enum class IconBarLook { AllEnabled, AllDisabled, PrintEnabled };

QPixmap drawIconBar(IconBarLook look);
QIcon drawAppIcon();

// A label that reports a left click while it is enabled.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace bv
