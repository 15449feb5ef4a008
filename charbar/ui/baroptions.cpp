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

Options::Options(Quillbar& bar) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_bar(bar)
{
    setObjectName(QStringLiteral("Options"));
    setWindowTitle(QStringLiteral("Form2"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(4200);
    connect(Timer1, &QTimer::timeout, this, &Options::Timer1_Timer);

    ButtonOptions = new QMenu(QStringLiteral("&ButtonOptions"), this);
    ButtonOptions->setObjectName(QStringLiteral("ButtonOptions"));
    AddCharacter = ButtonOptions->addAction(QStringLiteral("&Assign New Character"));
    AddCharacter->setObjectName(QStringLiteral("AddCharacter"));
    dummyline = ButtonOptions->addSeparator();
    dummyline->setObjectName(QStringLiteral("dummyline"));
    CopyOption = ButtonOptions->addAction(QStringLiteral("&Copy to ClipBoard"));
    CopyOption->setObjectName(QStringLiteral("CopyOption"));
    dummyline2 = ButtonOptions->addSeparator();
    dummyline2->setObjectName(QStringLiteral("dummyline2"));
    AlwaysOnTop = ButtonOptions->addAction(QStringLiteral("Always on &Top"));
    AlwaysOnTop->setObjectName(QStringLiteral("AlwaysOnTop"));
    AlwaysOnTop->setCheckable(true);

    // Queued: the menu has closed before a modal dialog opens from it.
    connect(AddCharacter, &QAction::triggered, this, &Options::AddCharacter_Click, Qt::QueuedConnection);
    connect(CopyOption, &QAction::triggered, this, &Options::CopyOption_Click);
    connect(AlwaysOnTop, &QAction::triggered, this, &Options::AlwaysOnTop_Click);
}

Options::~Options() = default;

SettingsForm& Options::settingsForm()
{
    if (!m_settingsForm)
        m_settingsForm = new SettingsForm(m_bar, &m_bar);
    return *m_settingsForm;
}

void Options::Timer1_Timer()
{
    m_bar.makeTopmost(AlwaysOnTop->isChecked());
}

void Options::AddCharacter_Click()
{
    // While the dialog is open the bar must not sit on top of it.
    Timer1->stop();
    if (AlwaysOnTop->isChecked())
        m_bar.makeTopmost(false);
    SettingsForm& form = settingsForm();
    form.HostText->setText(m_bar.values().hostCaption);
    form.exec();
    Timer1->start();
    if (AlwaysOnTop->isChecked())
        m_bar.makeTopmost(true);
}

void Options::CopyOption_Click()
{
    const int index = m_bar.values().currentButton;
    if (index < 0 || index >= int(m_bar.TheButtons.size()))
        return;
    QGuiApplication::clipboard()->setText(m_bar.buttonCaption(index));
}

void Options::AlwaysOnTop_Click()
{
    m_bar.makeTopmost(AlwaysOnTop->isChecked());
}

} // namespace bv::quill
