// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/designedlook.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>

namespace bv {

QPalette designedPalette()
{
    const QColor background(0xEF, 0xEF, 0xEF);
    const QColor mid = background.darker(130);
    const QColor dark = background.darker(150);
    const QColor shadow = dark.darker(135);
    QPalette p(Qt::black, background, background.lighter(150), dark, mid, Qt::black, Qt::white);
    p.setColor(QPalette::Midlight, mid.lighter(110));
    p.setColor(QPalette::Button, background);
    p.setColor(QPalette::Shadow, shadow);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Active, QPalette::Highlight, QColor(48, 140, 198));
    p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(48, 140, 198));
    QColor placeholder(Qt::black);
    placeholder.setAlpha(128);
    p.setColor(QPalette::PlaceholderText, placeholder);

    const QColor disabledText(190, 190, 190);
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, background);
    p.setColor(QPalette::Disabled, QPalette::Dark, QColor(209, 209, 209).darker(110));
    p.setColor(QPalette::Disabled, QPalette::Shadow, shadow.lighter(150));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(145, 145, 145));
    return p;
}

void useDesignedLook()
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion); // the application takes it over
    const QPalette palette = designedPalette();
    QApplication::setPalette(palette);
    // A platform theme may have given these kinds of control palettes of their own, which win over
    // the application's.
    for (const char* kind :
         {"QAbstractButton", "QToolButton", "QCheckBox", "QRadioButton", "QComboBox", "QLineEdit", "QTextEdit",
          "QTextControl", "QPlainTextEdit", "QAbstractItemView", "QHeaderView", "QLabel", "QMessageBoxLabel",
          "QGroupBox", "QTabBar", "QMenu", "QMenuBar", "QAbstractSpinBox", "QScrollBar"})
        QApplication::setPalette(palette, kind);
    QToolTip::setPalette(palette);
}

} // namespace bv
