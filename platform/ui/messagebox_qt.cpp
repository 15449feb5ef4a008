// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/messagebox_qt.h"

#include "platform/ui/inputguard.h"

#include <QApplication>
#include <QMessageBox>

namespace bv {

int QtMessageService::show(const QString& text, int style, const QString& title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    // Texts carry file names, and a name may look like markup ("<b>x</b>.tmp"): it is shown as
    // written, never rendered into another name.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    const int buttons = style & 0x0F;
    const int icon = style & 0xF0;
    switch (icon) {
    case 16:
        box.setIcon(QMessageBox::Critical);
        break;
    case 32:
        box.setIcon(QMessageBox::Question);
        break;
    case 48:
        box.setIcon(QMessageBox::Warning);
        break;
    case 64:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (buttons == 4) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((style & 0x100) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // A box comes up in the middle of a run, where the user is still clicking and typing: what
    // was meant for the window before it must not answer it.
    InputGuard::install(&box);
    // A box shown during a walk must show the arrow, whatever the walk set.
    const bool hadOverride = QApplication::overrideCursor() != nullptr;
    if (hadOverride)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (hadOverride)
        QApplication::restoreOverrideCursor();
    if (buttons == 4)
        return answer == QMessageBox::Yes ? AnswerYes : AnswerNo;
    return AnswerOk;
}

namespace {
int g_pointer = kArrowPointer;
}

void setScreenPointer(int pointer)
{
    if (pointer == g_pointer)
        return;
    g_pointer = pointer;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (pointer == kHourglassPointer)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

int screenPointer()
{
    return g_pointer;
}

} // namespace bv
