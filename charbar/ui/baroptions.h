// The hidden window behind the bar: it holds the 4200 ms timer that re-applies the
// always-on-top state, and the button menu the bar pops up on a right click. It is never
// shown. It also opens the assignment dialog, which it creates on first use and keeps.
#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QTimer;

namespace bv::quill {

class Quillbar;
class SettingsForm;

class Options : public QWidget
{
    Q_OBJECT

public:
    explicit Options(Quillbar& bar);
    ~Options() override;

    SettingsForm& settingsForm();
    bool hasSettingsForm() const { return m_settingsForm != nullptr; }

    // Controls.
    QTimer* Timer1 = nullptr;
    QMenu* ButtonOptions = nullptr;
    QAction* AddCharacter = nullptr;
    QAction* dummyline = nullptr;
    QAction* CopyOption = nullptr;
    QAction* dummyline2 = nullptr;
    QAction* AlwaysOnTop = nullptr;

    // Events.
    void Timer1_Timer();
    void AddCharacter_Click();
    void CopyOption_Click();
    void AlwaysOnTop_Click(); // after the menu has toggled the tick

private:
    Quillbar& m_bar;
    SettingsForm* m_settingsForm = nullptr;
};

} // namespace bv::quill
