// The hidden window behind the bar: it holds the 4200 ms timer that re-applies the
// always-on-top state, and the button menu the bar pops up on a right click. It is never
// shown. It also opens the assignment dialog, which it creates on first use and keeps.
#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QTimer;

namespace bv::quill {

class CharacterBar;
class AssignDialog;

class BarOptions : public QWidget
{
    Q_OBJECT

public:
    explicit BarOptions(CharacterBar& bar);
    ~BarOptions() override;

    AssignDialog& assignDialog();
    bool hasAssignDialog() const { return m_assignDialog != nullptr; }

    // Controls.
    QTimer* topmostTimer = nullptr;
    QMenu* buttonMenu = nullptr;
    QAction* assignAction = nullptr;
    QAction* firstSeparator = nullptr;
    QAction* copyAction = nullptr;
    QAction* secondSeparator = nullptr;
    QAction* alwaysOnTopAction = nullptr;

    // Events.
    void reapplyTopmost();
    void assignCharacter();
    void copyCharacter();
    void onAlwaysOnTopToggled(); // after the menu has toggled the tick

private:
    CharacterBar& m_bar;
    AssignDialog* m_assignDialog = nullptr;
};

} // namespace bv::quill
