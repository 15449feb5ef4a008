// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/ui/baroptions.h"

#include "charbar/ui/characterbar.h"
#include "charbar/ui/assigndialog.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

namespace bv::quill {

namespace {
// Another program or the user may take the always-on-top state away: it is asked for this often.
constexpr int kTopmostEveryMs = 4200;
} // namespace

BarOptions::BarOptions(CharacterBar& bar) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_bar(bar)
{
    setObjectName(QStringLiteral("Options"));
    setWindowTitle(QStringLiteral("Form2"));

    topmostTimer = new QTimer(this);
    topmostTimer->setObjectName(QStringLiteral("Timer1"));
    topmostTimer->setInterval(kTopmostEveryMs);
    connect(topmostTimer, &QTimer::timeout, this, &BarOptions::reapplyTopmost);

    buttonMenu = new QMenu(QStringLiteral("&ButtonOptions"), this);
    buttonMenu->setObjectName(QStringLiteral("ButtonOptions"));
    assignAction = buttonMenu->addAction(QStringLiteral("&Assign New Character"));
    assignAction->setObjectName(QStringLiteral("AddCharacter"));
    firstSeparator = buttonMenu->addSeparator();
    firstSeparator->setObjectName(QStringLiteral("dummyline"));
    copyAction = buttonMenu->addAction(QStringLiteral("&Copy to ClipBoard"));
    copyAction->setObjectName(QStringLiteral("CopyOption"));
    secondSeparator = buttonMenu->addSeparator();
    secondSeparator->setObjectName(QStringLiteral("dummyline2"));
    alwaysOnTopAction = buttonMenu->addAction(QStringLiteral("Always on &Top"));
    alwaysOnTopAction->setObjectName(QStringLiteral("AlwaysOnTop"));
    alwaysOnTopAction->setCheckable(true);

    // Queued: the menu has closed before a modal dialog opens from it.
    connect(assignAction, &QAction::triggered, this, &BarOptions::assignCharacter, Qt::QueuedConnection);
    connect(copyAction, &QAction::triggered, this, &BarOptions::copyCharacter);
    connect(alwaysOnTopAction, &QAction::triggered, this, &BarOptions::onAlwaysOnTopToggled);
}

BarOptions::~BarOptions() = default;

AssignDialog& BarOptions::assignDialog()
{
    if (!m_assignDialog)
        m_assignDialog = new AssignDialog(m_bar, &m_bar);
    return *m_assignDialog;
}

void BarOptions::reapplyTopmost()
{
    m_bar.makeTopmost(alwaysOnTopAction->isChecked());
}

void BarOptions::assignCharacter()
{
    // While the dialog is open the bar must not sit on top of it.
    topmostTimer->stop();
    if (alwaysOnTopAction->isChecked())
        m_bar.makeTopmost(false);
    AssignDialog& form = assignDialog();
    form.hostCaptionEdit->setText(m_bar.values().hostCaption);
    form.exec();
    topmostTimer->start();
    if (alwaysOnTopAction->isChecked())
        m_bar.makeTopmost(true);
}

void BarOptions::copyCharacter()
{
    const int index = m_bar.values().currentButton;
    if (index < 0 || index >= int(m_bar.characterButtons.size()))
        return;
    QGuiApplication::clipboard()->setText(m_bar.buttonCaption(index));
}

void BarOptions::onAlwaysOnTopToggled()
{
    m_bar.makeTopmost(alwaysOnTopAction->isChecked());
}

} // namespace bv::quill
